<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>CMainFrame</name>
    <message>
        <source>クリックで実験を開始します。  Click in this window (or Experiment &gt; Start) to start a run.</source>
        <translation>Click in this window (or Experiment &gt; Start) to start a run.</translation>
    </message>
    <message>
        <source>実験中は閉じられません。Esc で実験を終えてから閉じてください。  A run is in progress: end it with Esc first, then close the program.</source>
        <translation>A run is in progress: end it with Esc first, then close the program.</translation>
    </message>
</context>
<context>
    <name>CameraCheckWindow</name>
    <message>
        <source>グー</source>
        <translation>rock</translation>
    </message>
    <message>
        <source>チョキ</source>
        <translation>scissors</translation>
    </message>
    <message>
        <source>パー</source>
        <translation>paper</translation>
    </message>
    <message>
        <source>不明</source>
        <translation>unknown</translation>
    </message>
    <message>
        <source>カメラの確認</source>
        <translation>Camera check</translation>
    </message>
    <message>
        <source>カメラの確認: 追跡中の体 1 人</source>
        <translation>Camera check: 1 body tracked</translation>
    </message>
    <message>
        <source>カメラの確認: 追跡中の体 %1 人</source>
        <translation>Camera check: %1 bodies tracked</translation>
    </message>
    <message>
        <source>左</source>
        <translation>L</translation>
    </message>
    <message>
        <source>右</source>
        <translation>R</translation>
    </message>
    <message>
        <source>追跡中の体: %1</source>
        <translation>Bodies tracked: %1</translation>
    </message>
    <message>
        <source>カメラの画像: 毎秒 %1 枚</source>
        <translation>Camera pictures: %1 per second</translation>
    </message>
    <message>
        <source>壊れていて除いた画像: %1</source>
        <translation>Damaged pictures left out: %1</translation>
    </message>
    <message>
        <source>体のフレーム: 毎秒 %1 回</source>
        <translation>Body frames: %1 per second</translation>
    </message>
    <message>
        <source>撮影から体のフレームまで: %1 ms</source>
        <translation>Capture to body frame: %1 ms</translation>
    </message>
    <message>
        <source>撮影から体のフレームまで: 不明</source>
        <translation>Capture to body frame: unknown</translation>
    </message>
    <message>
        <source>体を追跡できたフレーム: %1 %（直近 %2 秒）</source>
        <translation>Frames with a tracked body: %1 % (last %2 s)</translation>
    </message>
    <message>
        <source>体を追跡できたフレーム: まだありません</source>
        <translation>Frames with a tracked body: none yet</translation>
    </message>
    <message>
        <source>準備ができました。実験を始められます。</source>
        <translation>Ready: a session can start.</translation>
    </message>
    <message>
        <source>Esc でカメラの確認を閉じます。何も記録しません。</source>
        <translation>Esc closes the camera check. Nothing is recorded.</translation>
    </message>
</context>
<context>
    <name>CameraChooser</name>
    <message>
        <source>この確認とこの後のすべての実験で使うカメラ（camera.ini に記録します）</source>
        <translation>The camera of the check and of every later run (kept in camera.ini)</translation>
    </message>
    <message>
        <source>画像を出す最初のカメラ</source>
        <translation>The first camera that gives pictures</translation>
    </message>
    <message>
        <source>%1（見つかりません。つながっていないか、動画ファイルです）</source>
        <translation>%1 (not found: not connected, or a video file)</translation>
    </message>
</context>
<context>
    <name>Dialog</name>
    <message>
        <source>ミラー表示</source>
        <translation>Mirror</translation>
    </message>
    <message>
        <source>じゃんけんなし</source>
        <translation>No janken</translation>
    </message>
    <message>
        <source>ノーマルじゃんけん</source>
        <translation>Normal janken</translation>
    </message>
    <message>
        <source>後出しじゃんけん</source>
        <translation>Late janken</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>乱数初期値</source>
        <translation>Random seed</translation>
    </message>
    <message>
        <source>じゃんけんモード</source>
        <translation>Janken mode</translation>
    </message>
    <message>
        <source>制限時間</source>
        <translation>Time limit</translation>
    </message>
    <message>
        <source>頭</source>
        <translation>Head</translation>
    </message>
    <message>
        <source>肩</source>
        <translation>Shldr</translation>
    </message>
    <message>
        <source>肘</source>
        <translation>Elbow</translation>
    </message>
    <message>
        <source>尻</source>
        <translation>Hip</translation>
    </message>
    <message>
        <source>膝</source>
        <translation>Knee</translation>
    </message>
    <message>
        <source>足</source>
        <translation>Foot</translation>
    </message>
    <message>
        <source>一人モード</source>
        <translation>Single mode</translation>
    </message>
</context>
<context>
    <name>LatencySummaryWindow</name>
    <message>
        <source>遅延テスト</source>
        <translation>Latency test</translation>
    </message>
    <message>
        <source>このテストは実験記録用に残しません。</source>
        <translation>This test is not kept for the run records.</translation>
    </message>
</context>
<context>
    <name>Message</name>
    <message>
        <source>整数を入力してください。</source>
        <translation>Please enter a whole number.</translation>
    </message>
    <message>
        <source>データファイルを開くことができません</source>
        <translation>The data file cannot be opened</translation>
    </message>
    <message>
        <source>データファイルを作業フォルダに書き込めなかったため、次の場所に保存しました。
%1</source>
        <translation>The data file could not be written in the working directory; it was saved here instead:
%1</translation>
    </message>
    <message>
        <source>データファイルをすべては作業フォルダに書き込めなかったため、この実行のファイルをまとめて次の場所に保存しました。
%1</source>
        <translation>The data files could not all be written in the working directory; the run&apos;s files were saved together here instead:
%1</translation>
    </message>
    <message>
        <source>データファイルをどこにも保存できませんでした。</source>
        <translation>The data file could not be written anywhere.</translation>
    </message>
    <message>
        <source>データファイルをどこにも保存できませんでした。記録は次のファイルに残っています。次回の起動時に書き出します。
%1</source>
        <translation>The data file could not be written anywhere. The run&apos;s data is kept in this journal and is written out when the program starts next:
%1</translation>
    </message>
    <message>
        <source>記録用のディスク容量を確保できませんでした。この実行中にディスクがいっぱいになると、異常終了の際に記録が失われることがあります。念のため、ディスクの空きを増やしてください。
%1</source>
        <translation>Disk space for the run journal (the copy that keeps the data of a run that is cut short) could not be reserved. If the disk fills during this run and the program then stops abnormally, data may be lost. Free some disk space to be safe.
%1</translation>
    </message>
    <message>
        <source>記録用のファイルを作成できませんでした。この実行が異常終了すると、記録は失われます。結果ファイルは実行の終わりに書き出します。</source>
        <translation>No run journal could be created: if this run is cut short (a crash, a power cut), its data are lost. The result files are still written at its end.</translation>
    </message>
    <message>
        <source>前回の実行は正常に終了しませんでした。記録を次のファイルに書き出しました。
%1
%2
%3
%4</source>
        <translation>The previous run did not end normally. Its data was written to these files:
%1
%2
%3
%4</translation>
    </message>
    <message>
        <source>前回の実行は正常に終了しませんでした。記録を書き出せませんでした。記録は次のファイルに残っています。次回の起動時にもう一度書き出します。
%1</source>
        <translation>The previous run did not end normally, and its data could not be written. It stays in this journal and is written out at the next start:
%1</translation>
    </message>
    <message>
        <source>この実行の録画（最後の約1秒を除いて再生できます）:%1</source>
        <translation>The session video of that run, playable up to about its last second:%1</translation>
    </message>
    <message>
        <source>次のフォルダは安全でないため使いませんでした（%2）。データは、このアカウントのものでほかの誰も変更できないフォルダにだけ保存します。
%1</source>
        <translation>This folder was not used (%2). Only a folder of this account&apos;s own that no one else can change takes the data:
%1</translation>
    </message>
    <message>
        <source>空です</source>
        <translation>empty</translation>
    </message>
    <message>
        <source>整数ではありません</source>
        <translation>not a whole number</translation>
    </message>
    <message>
        <source>32ビットの範囲を超えています</source>
        <translation>beyond the 32-bit range</translation>
    </message>
    <message>
        <source>後出しじゃんけんとして行い、%1 と記録します</source>
        <translation>runs as late janken, recorded as %1</translation>
    </message>
    <message>
        <source>設定ダイアログではオフと表示し、実験では 0 を使います</source>
        <translation>the setup dialog shows it clear, and the run uses 0</translation>
    </message>
    <message>
        <source>開始の風船の後、最初に風船を割ったところで終わります。%1 と記録します</source>
        <translation>the run ends at the first pop after the start balloon, recorded as %1</translation>
    </message>
    <message>
        <source>%1 を使います</source>
        <translation>%1 is used</translation>
    </message>
    <message>
        <source>%1。%2 を使います</source>
        <translation>%1; %2 is used</translation>
    </message>
    <message>
        <source>設定ファイル Tavelin2.ini に、書かれたとおりには使えない値があります。

%1
設定ダイアログかファイルで直してください。</source>
        <translation>Some values in Tavelin2.ini are not used as written:

%1
Correct them in the setup dialog or in the file.</translation>
    </message>
    <message>
        <source>この実験は設定どおりには行われません。

%1
試行ファイルと実行記録には設定どおりの値が残ります。実際に行った内容はサマリーとレポートに示します。</source>
        <translation>This run does not do what its settings say:

%1
The trial file and the run record keep the values as set; the summary and the report say what the run did.</translation>
    </message>
    <message>
        <source>設定ファイルを読み込めませんでした（%1）。既定の設定を使います。
%2

このファイルは、終了時に上書きを承諾したときだけ置き換えます。</source>
        <translation>The settings file could not be read (%1). The default settings are used.
%2

The file is replaced only if you agree when the program ends.</translation>
    </message>
    <message>
        <source>起動時に読み込めなかった設定ファイルを、現在の設定で上書きしますか？
%1</source>
        <translation>The settings file could not be read when the program started. Replace it with the current settings?
%1</translation>
    </message>
    <message>
        <source>データファイルをグループ「%1」と共有できません（%2）。本人だけが読めるように保存します。</source>
        <translation>The data files cannot be shared with the group &quot;%1&quot; (%2); they are written for this account alone.</translation>
    </message>
    <message>
        <source>実験画面（ウィンドウか OpenGL の描画）を作れないため、実験を中止しました。データは書き出していません。</source>
        <translation>The stage window or its OpenGL graphics could not be created; the run was abandoned and no data were written.</translation>
    </message>
    <message>
        <source>実験を開始できません。

%1
何も記録していません。入力した値は次の開始のために残してあります。</source>
        <translation>The run cannot start:

%1
Nothing was recorded. The values you entered are kept for the next Start.</translation>
    </message>
    <message>
        <source>刺激ファイルがないか、読めません（%1 の中）:
%2プログラムの stim フォルダ（balloon0.png〜balloon3.png、bomb.png、bomb.wav）を、tavelin2 を起動するフォルダに置いてください。
</source>
        <translation>Stimulus files missing or unreadable (in %1):
%2Put the program&apos;s stim folder (balloon0.png to balloon3.png, bomb.png, bomb.wav) into the folder tavelin2 is started in.
</translation>
    </message>
    <message>
        <source>体のセンサーを使っていません（--sensor=none。カメラなしで作ったプログラムの既定です）。

この実験ではカメラの画像を表示せず、体を記録せず、Esc でしか終えられません。
体なしで実験を始めますか？</source>
        <translation>No body sensor is in use (--sensor=none, the default of a build without the camera backend).

The run will show no camera picture, record no bodies, and can only be ended with Esc.
Start a run without bodies?</translation>
    </message>
    <message>
        <source>実験開始から %1:%2（Clock %3 ms）</source>
        <translation>%1:%2 into the run (Clock %3 ms)</translation>
    </message>
    <message>
        <source>センサーが装置の切断を伝えました</source>
        <translation>the sensor reported its device gone</translation>
    </message>
    <message>
        <source>カメラの画像が %1 秒来ませんでした</source>
        <translation>no camera picture came for %1 seconds</translation>
    </message>
    <message>
        <source>体のセンサーが実験中に止まりました。%1、%2。

それ以降、体と風船割りは記録されていません。ファイルにはそれまでの記録がすべて残っています。次の実験の前にカメラかファイルを確かめてください。</source>
        <translation>The body sensor stopped %1: %2.

From then on the run recorded no bodies and no pops. The files hold everything recorded before. Check the camera or the file before the next run.</translation>
    </message>
    <message>
        <source>録画を開始できません（%1）。録画なしで実験を続けます。</source>
        <translation>The session video cannot be recorded (%1). The run goes on without video.</translation>
    </message>
    <message>
        <source>録画が途中で止まりました（%2）。次の録画は不完全です。結果ファイルには影響しません。
%1</source>
        <translation>The session video stopped part way (%2). This recording is incomplete; the result files are not affected.
%1</translation>
    </message>
    <message>
        <source>ファイルマネージャーを開けませんでした。データフォルダは次の場所です:
%1</source>
        <translation>The file manager could not be opened. The data folder is:
%1</translation>
    </message>
    <message>
        <source>被験者IDに使えない入力です。
%1
被験者IDの欄を直してから、もう一度 OK を押してください。</source>
        <translation>This cannot be used as a subject ID.
%1
Correct the Subject ID field and press OK again.</translation>
    </message>
    <message>
        <source>被験者IDが空です。</source>
        <translation>The Subject ID is empty.</translation>
    </message>
    <message>
        <source>被験者IDの %1 文字目にカンマ（,）があります。カンマは試行ファイルの列を区切ってしまいます。</source>
        <translation>The Subject ID holds a comma (,) at character %1, which would split the rows of the trial file.</translation>
    </message>
    <message>
        <source>被験者IDの %1 文字目に二重引用符（&quot;）があります。試行ファイルにはそのまま書けません。</source>
        <translation>The Subject ID holds a double quote (&quot;) at character %1, which the trial file cannot hold unquoted.</translation>
    </message>
    <message>
        <source>被験者IDの %1 文字目に等号（=）があります。設定ファイルから読み戻せなくなります。</source>
        <translation>The Subject ID holds an equals sign (=) at character %1, which the settings file cannot read back.</translation>
    </message>
    <message>
        <source>被験者IDの %1 文字目に制御文字（%2）があります。</source>
        <translation>The Subject ID holds a control character (%2) at character %1.</translation>
    </message>
    <message>
        <source>被験者IDの先頭に空白（%1）があります。</source>
        <translation>The Subject ID begins with a blank (%1).</translation>
    </message>
    <message>
        <source>被験者IDの末尾に空白（%1）があります。</source>
        <translation>The Subject ID ends with a blank (%1).</translation>
    </message>
    <message>
        <source>被験者IDが %1 バイトあります。設定ファイルに保存できるのは %2 バイトまでです。</source>
        <translation>The Subject ID is %1 bytes long; the settings file holds %2.</translation>
    </message>
    <message>
        <source>ありません</source>
        <translation>missing</translation>
    </message>
    <message>
        <source>ファイルではありません</source>
        <translation>not a file</translation>
    </message>
    <message>
        <source>画像として読めません</source>
        <translation>cannot be read as an image</translation>
    </message>
    <message>
        <source>読み込めません</source>
        <translation>cannot be read</translation>
    </message>
    <message>
        <source>風船の音にしては大きすぎます</source>
        <translation>too large for a pop sound</translation>
    </message>
    <message>
        <source>WAV ファイルではありません</source>
        <translation>not a WAV file</translation>
    </message>
    <message>
        <source>途中で切れています（チャンクがファイルの終わりを越えています）</source>
        <translation>cut short (a chunk runs past its end)</translation>
    </message>
    <message>
        <source>fmt チャンクが壊れています</source>
        <translation>has a broken format chunk</translation>
    </message>
    <message>
        <source>圧縮された WAV です（形式 %1）。非圧縮（PCM）で保存してください</source>
        <translation>compressed WAV (format %1); save it as uncompressed PCM</translation>
    </message>
    <message>
        <source>音のデータが fmt チャンクより前にあります</source>
        <translation>has its sound before its format</translation>
    </message>
    <message>
        <source>音が入っていません</source>
        <translation>holds no sound</translation>
    </message>
    <message>
        <source>fmt チャンクがありません</source>
        <translation>has no format chunk</translation>
    </message>
    <message>
        <source>カメラをつないでください（カメラか動画ファイルを --camera=/dev/videoN または --camera=ファイル で指定することもできます）。体なしで実験するには、tavelin2 を --sensor=none で起動してください。</source>
        <translation>Connect the camera (or name it or a video file with --camera=/dev/videoN or --camera=FILE). To run without bodies, start tavelin2 with --sensor=none.</translation>
    </message>
    <message>
        <source>tavelin2 を別の --sensor で起動してください。体なしで実験するには --sensor=none で起動してください。</source>
        <translation>Start tavelin2 with another --sensor, or with --sensor=none to run without bodies.</translation>
    </message>
    <message>
        <source>体のセンサー（%1）を開けませんでした。</source>
        <translation>Body sensor (%1): it could not be opened.</translation>
    </message>
    <message>
        <source>体のセンサー（%1）: %2</source>
        <translation>Body sensor (%1): %2</translation>
    </message>
    <message>
        <source>体のセンサー（%1）は開きましたが、%2 秒たっても体のフレームが来ませんでした。</source>
        <translation>Body sensor (%1): opened, but no body frame came within %2 s.</translation>
    </message>
    <message>
        <source>体のセンサー（%1）は開きましたが、%2 秒たってもカメラの画像が来ませんでした。</source>
        <translation>Body sensor (%1): opened, but no camera picture came within %2 s.</translation>
    </message>
    <message>
        <source>カメラ %1 はほかのプログラムが使っています。そのプログラムを閉じてから、もう一度試してください。</source>
        <translation>the camera %1 is in use by another program; close it and try again.</translation>
    </message>
    <message>
        <source>カメラ %1 は MJPEG の画像も YUYV の画像も出せません（出せるのは %2）。</source>
        <translation>the camera %1 offers neither MJPEG nor YUYV pictures (it gives %2).</translation>
    </message>
    <message>
        <source>カメラ %1 は MJPEG の画像も YUYV の画像も出せません。</source>
        <translation>the camera %1 offers neither MJPEG nor YUYV pictures.</translation>
    </message>
    <message>
        <source>このユーザーはカメラ %1 を使えません。コンピューターの管理者に、このユーザーを &quot;video&quot; グループに加えてもらってください。</source>
        <translation>this user may not use the camera %1 (ask the computer&apos;s administrator to add the user to the group &quot;video&quot;).</translation>
    </message>
    <message>
        <source>カメラ %1 を開けません（%2）。</source>
        <translation>cannot open the camera device %1 (%2).</translation>
    </message>
    <message>
        <source>%1 は V4L2 のカメラではありません（%2）。</source>
        <translation>%1 is no V4L2 camera (%2).</translation>
    </message>
    <message>
        <source>%1 は映像を出しません（カメラの 2 つ目の装置ファイルはメタデータだけを出します）。</source>
        <translation>%1 gives no video (a camera&apos;s second node carries only metadata).</translation>
    </message>
    <message>
        <source>カメラ %1 から取り込み用のバッファーをもらえません（%2）。ほかのプログラムが使っていませんか？</source>
        <translation>the camera %1 gives no capture buffers (%2); is another program using it?</translation>
    </message>
    <message>
        <source>カメラ %1 を開始できません（%2）。ほかのプログラムが使っていませんか？</source>
        <translation>cannot start the camera %1 (%2); is another program using it?</translation>
    </message>
    <message>
        <source>カメラ %1 は開始後に使える画像を送ってきませんでした（%2）。カメラを抜いて、差し込み直してください。</source>
        <translation>the camera %1 sent no usable picture after it started (%2); unplug it and plug it in again.</translation>
    </message>
    <message>
        <source>%1 秒間、壊れた画像しか来ませんでした</source>
        <translation>only damaged pictures for %1 s</translation>
    </message>
    <message>
        <source>%1 秒間、画像が来ませんでした</source>
        <translation>no picture for %1 s</translation>
    </message>
    <message>
        <source>カメラが抜かれました</source>
        <translation>the camera was unplugged</translation>
    </message>
    <message>
        <source>メニューの Experiment &gt; Camera check で、つながっているカメラを一覧して使うカメラを選べます（Debian パッケージ v4l-utils の v4l2-ctl --list-devices でも一覧できます）。</source>
        <translation>Experiment &gt; Camera check lists the cameras connected and keeps the one chosen (`v4l2-ctl --list-devices`, Debian package v4l-utils, lists them too).</translation>
    </message>
    <message>
        <source>カメラが見つかりません（/dev/video*）。カメラをつなぐか、--camera=ファイル で動画ファイルを指定してください。</source>
        <translation>no camera found (/dev/video*); connect one or give --camera=FILE.</translation>
    </message>
    <message>
        <source>使えるカメラが見つかりません（/dev/video*。最後のカメラは: %1）。カメラをつなぐか、--camera=ファイル で動画ファイルを指定してください。</source>
        <translation>no camera found (/dev/video*) (%1); connect one or give --camera=FILE.</translation>
    </message>
    <message>
        <source>カメラ %1 はつながっていません。</source>
        <translation>the camera device %1 is not connected.</translation>
    </message>
    <message>
        <source>%1 の画像の大きさがわかりません。</source>
        <translation>%1 gives no picture size.</translation>
    </message>
    <message>
        <source>動画ファイル %1 を開けません（%2）。</source>
        <translation>cannot open the video file %1 (%2).</translation>
    </message>
    <message>
        <source>ファイル %1 には読める映像がありません（%2）。</source>
        <translation>the file %1 holds no video we can read (%2).</translation>
    </message>
    <message>
        <source>%1 の映像を読めるデコーダーがありません</source>
        <translation>no decoder for %1 video</translation>
    </message>
    <message>
        <source>映像のデコーダーを準備できません</source>
        <translation>cannot set up the video decoder</translation>
    </message>
    <message>
        <source>%1 デコーダーを開けません</source>
        <translation>cannot open the %1 decoder</translation>
    </message>
    <message>
        <source>tavelin2 パッケージを入れ直してから（sudo apt install --reinstall ./tavelin2_&lt;version&gt;_amd64.deb）、プログラムをもう一度起動してください。</source>
        <translation>Reinstall the tavelin2 package (sudo apt install --reinstall ./tavelin2_&lt;version&gt;_amd64.deb), then start the program again.</translation>
    </message>
    <message>
        <source>tools/setup-extra.sh を実行してから（npm から取ってきてモデルを変換します）、プログラムをもう一度起動してください。</source>
        <translation>Run tools/setup-extra.sh (it fetches them from npm and converts the models), then start the program again.</translation>
    </message>
    <message>
        <source>カメラセンサーには ONNX Runtime と姿勢・手のモデルが必要ですが、次のファイルがありません:%1
%2</source>
        <translation>The camera sensor needs ONNX Runtime and the pose and hand models, which are missing:%1
%2</translation>
    </message>
    <message>
        <source>%1 に出力「%2」がありません。%3</source>
        <translation>%1 has no output &quot;%2&quot;. %3</translation>
    </message>
    <message>
        <source>ONNX Runtime（libonnxruntime.so.1）を読み込めませんでした: %1。%2</source>
        <translation>ONNX Runtime (libonnxruntime.so.1) could not be loaded: %1. %2</translation>
    </message>
    <message>
        <source>見つかった ONNX Runtime（%1）は API バージョン %2 に対応していません。%3</source>
        <translation>The ONNX Runtime found (%1) does not offer API version %2. %3</translation>
    </message>
    <message>
        <source>モデル %1 を読み込めません: %2</source>
        <translation>cannot load the model %1: %2</translation>
    </message>
    <message>
        <source>%1 に手のひら検出の出力がありません。%2</source>
        <translation>%1 lacks the palm detections. %2</translation>
    </message>
    <message>
        <source>%1 に手の出力がありません。%2</source>
        <translation>%1 lacks the hand outputs. %2</translation>
    </message>
    <message>
        <source>カメラセンサーを開始できません: %1</source>
        <translation>The camera sensor cannot start: %1</translation>
    </message>
    <message>
        <source>カメラ %1 から画像が来なくなりました</source>
        <translation>the camera %1 stopped delivering pictures</translation>
    </message>
    <message>
        <source>動画ファイル %1 が終わりました</source>
        <translation>the video file %1 ended</translation>
    </message>
    <message>
        <source>動画ファイル %1 から画像が来なくなりました</source>
        <translation>the video file %1 stopped delivering pictures</translation>
    </message>
    <message>
        <source>このユーザーには使えません</source>
        <translation>this user may not use it</translation>
    </message>
    <message>
        <source>カメラ</source>
        <translation>camera</translation>
    </message>
    <message>
        <source>MJPEG も YUYV も出せません</source>
        <translation>no MJPEG or YUYV pictures</translation>
    </message>
    <message>
        <source>カメラの画像がまだ来ていません。</source>
        <translation>No camera picture has arrived yet.</translation>
    </message>
    <message>
        <source>測定中 ...</source>
        <translation>Measuring ...</translation>
    </message>
    <message>
        <source>カメラの画像が毎秒 %1 枚しか来ません。実験には毎秒 %2 枚以上必要です。</source>
        <translation>Camera pictures come %1 times a second; a session needs %2 or more.</translation>
    </message>
    <message>
        <source>体のフレームが毎秒 %1 回しか来ません。実験には毎秒 %2 回以上必要です。</source>
        <translation>Body frames come %1 times a second; a session needs %2 or more.</translation>
    </message>
    <message>
        <source>体が画像の %1 ms 後に来ます。%2 ms を超えると、すべての反応が遅れます。</source>
        <translation>Bodies come %1 ms after their picture; more than %2 ms delays every reaction.</translation>
    </message>
    <message>
        <source>体を追跡できたフレームは %1 だけです。%2 以上で追跡できるように、カメラと子どもの位置を直してください。</source>
        <translation>A body is tracked in only %1 of the frames; place the camera and the child so that it is tracked in %2 or more.</translation>
    </message>
    <message>
        <source>体のセンサーを使っていません（--sensor=none で起動しました）。</source>
        <translation>No body sensor is in use (started with --sensor=none).</translation>
    </message>
    <message>
        <source>体のセンサーを開けませんでした。</source>
        <translation>The body sensor could not be opened.</translation>
    </message>
    <message>
        <source>体のセンサーを開けませんでした: %1</source>
        <translation>The body sensor could not be opened: %1</translation>
    </message>
    <message>
        <source>遅延テスト: このカメラではまだしていません（Experiment &gt; Latency test）。</source>
        <translation>Latency test: none made with this camera (Experiment &gt; Latency test).</translation>
    </message>
    <message>
        <source>遅延テスト: このカメラではまだしていません（Experiment &gt; Latency test）。%1</source>
        <translation>Latency test: none made with this camera (Experiment &gt; Latency test); %1</translation>
    </message>
    <message>
        <source>%1 の遅延テスト: 平均 %2 ms、最小 %3 ms（フラッシュ %4 回）</source>
        <translation>Latency test of %1: mean %2 ms, min %3 ms (%4 flashes)</translation>
    </message>
    <message>
        <source>録画ファイルを書き込めるフォルダーがありません</source>
        <translation>the session video could not be created: no folder to write it to</translation>
    </message>
    <message>
        <source>録画ファイルを作れませんでした: %1</source>
        <translation>the session video could not be created: %1</translation>
    </message>
    <message>
        <source>%1 フレームを録画したところで止まりました: %2</source>
        <translation>recording stopped after %1 video frames: %2</translation>
    </message>
    <message>
        <source>%1 に書き込めません。</source>
        <translation>cannot write %1</translation>
    </message>
    <message>
        <source>%1 を置き換えられません。</source>
        <translation>cannot replace %1</translation>
    </message>
    <message>
        <source>遅延テスト</source>
        <translation>Latency test</translation>
    </message>
    <message>
        <source>実験画面（ウィンドウか OpenGL の描画）を作れませんでした。</source>
        <translation>The stage window or its OpenGL graphics could not be created.</translation>
    </message>
    <message>
        <source>遅延テストを実行できませんでした。%1</source>
        <translation>The latency test did not run. %1</translation>
    </message>
    <message>
        <source>画面からカメラまで（%1、%2）</source>
        <translation>Screen to camera, %1, %2</translation>
    </message>
    <message>
        <source>最後のフラッシュの前に止めました。</source>
        <translation>Stopped before the last flash.</translation>
    </message>
    <message>
        <source>見えたフラッシュ: %2 回中 %1 回（見えなかった割合: %3 %）</source>
        <translation>Flashes seen: %1 of %2 (not seen: %3 %)</translation>
    </message>
    <message>
        <source>画面の切り替えから最初の明るい画像まで: 平均 %1 ms、SD %2 ms</source>
        <translation>Delay from flip to first bright picture: mean %1 ms, SD %2 ms</translation>
    </message>
    <message>
        <source>中央値 %1 ms、最小 %2 ms</source>
        <translation>Median %1 ms, minimum %2 ms</translation>
    </message>
    <message>
        <source>見えなかったフラッシュが多すぎます。画面が画像の大部分を占めるようにカメラを画面に向けて、もう一度テストしてください。</source>
        <translation>Many flashes were not seen: turn the camera to the screen so that the screen fills much of its picture, and test again.</translation>
    </message>
    <message>
        <source>ファイル: %1</source>
        <translation>File: %1</translation>
    </message>
    <message>
        <source>記録しました: このデバイスでのこの後の実験記録には、すべてこのテストが記されます。</source>
        <translation>Kept: every later run record with this device names this test.</translation>
    </message>
    <message>
        <source>遅延テスト: フラッシュ %1 / %2（Esc で終了）</source>
        <translation>Latency test: flash %1 of %2 (Esc ends)</translation>
    </message>
    <message>
        <source>%1 を作成できません: %2</source>
        <translation>%1: cannot be created: %2</translation>
    </message>
    <message>
        <source>%1 に書き込めません: %2</source>
        <translation>%1: cannot be written: %2</translation>
    </message>
    <message>
        <source>%1 は遅延テストのファイルではありません</source>
        <translation>%1: not a file of latency tests</translation>
    </message>
</context>
<context>
    <name>Stage</name>
    <message>
        <source>ふうせんを わったら，はじまります。</source>
        <translation>Pop a balloon to start!</translation>
    </message>
    <message>
        <source>じかん: %d&#x3000;&#x3000;ふうせん： %d</source>
        <translation>Time: %d    Balloons: %d</translation>
    </message>
    <message>
        <source>わった ふうせんは %d こ でした！</source>
        <translation>Great job! Balloons popped: %d</translation>
    </message>
</context>
</TS>
