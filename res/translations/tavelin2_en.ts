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
        <source>実験中は閉じられません。Esc で実験を終えてから閉じてください。  End the run with Esc first; the program closes once the run&apos;s files are written.</source>
        <translation>End the run with Esc first; the program closes once the run&apos;s files are written.</translation>
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
        <source>被験者IDの %1 文字目に二重引用符（"）があります。試行ファイルにはそのまま書けません。</source>
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
