<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP" sourcelanguage="en">
<context>
    <name>Report</name>
    <message>
        <source>%1 was found neither in the working directory nor in a rescue folder</source>
        <translation>%1 が作業フォルダにも退避フォルダにも見つかりません</translation>
    </message>
    <message>
        <source>1 s pause after a pop</source>
        <translation>割った後の 1 秒の休止</translation>
    </message>
    <message>
        <source>%1 — %2</source>
        <translation>%1 — %2</translation>
    </message>
    <message>
        <source>Reaction time per trial</source>
        <translation>試行ごとの反応時間</translation>
    </message>
    <message>
        <source>Trial</source>
        <translation>試行</translation>
    </message>
    <message>
        <source>RT (ms)</source>
        <translation>RT（ms）</translation>
    </message>
    <message>
        <source>RT (ms): each bar from the value under it, %1 ms wide</source>
        <translation>RT（ms）：各棒は下の値から幅 %1 ms</translation>
    </message>
    <message>
        <source>no trial after the start balloon</source>
        <translation>開始の風船の後の試行なし</translation>
    </message>
    <message>
        <source>median %1 ms</source>
        <translation>中央値 %1 ms</translation>
    </message>
    <message>
        <source>Reaction time distribution (trials after the start balloon)</source>
        <translation>反応時間の分布（開始の風船の後の試行）</translation>
    </message>
    <message>
        <source>trials</source>
        <translation>試行数</translation>
    </message>
    <message>
        <source>none</source>
        <translation>なし</translation>
    </message>
    <message>
        <source>Trials</source>
        <translation>試行数</translation>
    </message>
    <message>
        <source>Hit map: balloons and the body site that popped each (camera picture, 960 x 540)</source>
        <translation>ヒットマップ：風船と、それを割った体の部位（カメラ画像、960 x 540）</translation>
    </message>
    <message>
        <source>x (px)</source>
        <translation>x（px）</translation>
    </message>
    <message>
        <source>y (px)</source>
        <translation>y（px）</translation>
    </message>
    <message>
        <source>%1 — hit areas left out for %2 balloons</source>
        <translation>%1 — 風船が %2 個のため当たり範囲は省略</translation>
    </message>
    <message>
        <source>start balloon</source>
        <translation>開始の風船</translation>
    </message>
    <message>
        <source>balloon centre</source>
        <translation>風船の中心</translation>
    </message>
    <message>
        <source>popping hand</source>
        <translation>割った手</translation>
    </message>
    <message>
        <source>other popping site (head, elbow, ...)</source>
        <translation>割ったその他の部位（頭、ひじなど）</translation>
    </message>
    <message>
        <source>no balloon was popped</source>
        <translation>割られた風船なし</translation>
    </message>
    <message>
        <source>Tracking over time: bodies in each camera frame, and the child&apos;s hands</source>
        <translation>追跡の推移：カメラのフレームごとの体の数と子どもの手</translation>
    </message>
    <message>
        <source>Time in the run (s)</source>
        <translation>実行開始からの時間（秒）</translation>
    </message>
    <message>
        <source>right hand</source>
        <translation>右手</translation>
    </message>
    <message>
        <source>left hand</source>
        <translation>左手</translation>
    </message>
    <message>
        <source>1 body</source>
        <translation>体 1</translation>
    </message>
    <message>
        <source>%1 bodies</source>
        <translation>体 %1</translation>
    </message>
    <message>
        <source>no body tracked</source>
        <translation>体の追跡なし</translation>
    </message>
    <message>
        <source>bodies tracked</source>
        <translation>追跡された体</translation>
    </message>
    <message>
        <source>... of which the child</source>
        <translation>…うち子ども</translation>
    </message>
    <message>
        <source>child&apos;s left hand tracked</source>
        <translation>子どもの左手を追跡</translation>
    </message>
    <message>
        <source>child&apos;s right hand tracked</source>
        <translation>子どもの右手を追跡</translation>
    </message>
    <message>
        <source>no body was tracked</source>
        <translation>体は追跡されず</translation>
    </message>
    <message>
        <source>Interval between sampled camera frames (pauses after pops left out)</source>
        <translation>カメラのフレーム間隔（割った後の休止を除く）</translation>
    </message>
    <message>
        <source>Interval (ms)</source>
        <translation>間隔（ms）</translation>
    </message>
    <message>
        <source>interval to the frame before</source>
        <translation>前のフレームからの間隔</translation>
    </message>
    <message>
        <source>%1 — %2 longer than %3 ms drawn at the top</source>
        <translation>%1 — %3 ms を超える %2 件は上端に表示</translation>
    </message>
    <message>
        <source>fewer than two camera frames outside the pauses</source>
        <translation>休止以外のカメラのフレームが 2 つ未満</translation>
    </message>
    <message>
        <source>%1 · page %2</source>
        <translation>%1 · %2 ページ</translation>
    </message>
    <message>
        <source>Tavelin2 run report (SIMULATED SENSOR): %1</source>
        <translation>Tavelin2 実行レポート（シミュレーションのセンサー）：%1</translation>
    </message>
    <message>
        <source>Tavelin2 run report: %1</source>
        <translation>Tavelin2 実行レポート：%1</translation>
    </message>
    <message>
        <source>Verdict: usable. No figure speaks against this run.</source>
        <translation>判定：使用可。この実行に問題となる数値はありません。</translation>
    </message>
    <message>
        <source>Verdict: check before use. 1 point speaks against this run:</source>
        <translation>判定：使用前に確認。この実行には問題点が 1 つあります：</translation>
    </message>
    <message>
        <source>Verdict: check before use. %1 points speak against this run:</source>
        <translation>判定：使用前に確認。この実行には問題点が %1 つあります：</translation>
    </message>
    <message>
        <source>Figures</source>
        <translation>数値</translation>
    </message>
    <message>
        <source>Timing (run record)</source>
        <translation>タイミング（実行記録）</translation>
    </message>
    <message>
        <source>no run record (_run.json) for this run</source>
        <translation>この実行の実行記録（_run.json）はありません</translation>
    </message>
    <message>
        <source>Run</source>
        <translation>実行</translation>
    </message>
    <message>
        <source>Files</source>
        <translation>ファイル</translation>
    </message>
    <message>
        <source>%1: cannot be written: %2</source>
        <translation>%1: 書き込めません: %2</translation>
    </message>
    <message>
        <source>%1: cannot be written</source>
        <translation>%1: 書き込めません</translation>
    </message>
    <message>
        <source>Tavelin2 run report (simulated sensor)</source>
        <translation>Tavelin2 実行レポート（シミュレーションのセンサー）</translation>
    </message>
    <message>
        <source>Tavelin2 run report</source>
        <translation>Tavelin2 実行レポート</translation>
    </message>
    <message>
        <source>%1: the report could not be written (disk full or no permission?)</source>
        <translation>%1: レポートを書き込めませんでした（ディスクの空きか書き込み権限を確認してください）</translation>
    </message>
    <message>
        <source>no janken</source>
        <translation>じゃんけんなし</translation>
    </message>
    <message>
        <source>janken normal</source>
        <translation>ノーマルじゃんけん</translation>
    </message>
    <message>
        <source>janken late</source>
        <translation>後出しじゃんけん</translation>
    </message>
    <message>
        <source> (recorded as %1)</source>
        <translation>（%1 と記録）</translation>
    </message>
    <message>
        <source>mirror off</source>
        <translation>ミラー表示なし</translation>
    </message>
    <message>
        <source>mirror on</source>
        <translation>ミラー表示あり</translation>
    </message>
    <message>
        <source>mirror %1</source>
        <translation>ミラー表示 %1</translation>
    </message>
    <message>
        <source>%1, %2</source>
        <translation>%1、%2</translation>
    </message>
    <message>
        <source>Balloons popped</source>
        <translation>割った風船</translation>
    </message>
    <message>
        <source>%1 (start balloon included)</source>
        <translation>%1 個（開始の風船を含む）</translation>
    </message>
    <message>
        <source>RT median</source>
        <translation>RT 中央値</translation>
    </message>
    <message>
        <source>%1 ms</source>
        <translation>%1 ms</translation>
    </message>
    <message>
        <source>RT quartiles</source>
        <translation>RT 四分位</translation>
    </message>
    <message>
        <source>%1 ms to %2 ms (IQR %3 ms)</source>
        <translation>%1 ms ～ %2 ms（IQR %3 ms）</translation>
    </message>
    <message>
        <source>RT range</source>
        <translation>RT 範囲</translation>
    </message>
    <message>
        <source>%1 ms to %2 ms, %3 trials</source>
        <translation>%1 ms ～ %2 ms、%3 試行</translation>
    </message>
    <message>
        <source>RT</source>
        <translation>RT</translation>
    </message>
    <message>
        <source>none (no balloon after the start balloon)</source>
        <translation>なし（開始の風船の後に割った風船なし）</translation>
    </message>
    <message>
        <source>The child</source>
        <translation>子ども</translation>
    </message>
    <message>
        <source>in each trial, the body that popped its balloon</source>
        <translation>各試行で風船を割った体</translation>
    </message>
    <message>
        <source>Child tracked (balloon up)</source>
        <translation>子どもの追跡（風船の表示中）</translation>
    </message>
    <message>
        <source>%1 of the frames</source>
        <translation>フレームの %1</translation>
    </message>
    <message>
        <source>never</source>
        <translation>なし</translation>
    </message>
    <message>
        <source>Frames with the child (balloon up)</source>
        <translation>子どもがいたフレーム（風船の表示中）</translation>
    </message>
    <message>
        <source>%1 of about %2 camera frames; the 1 s pauses after pops left out</source>
        <translation>カメラの約 %2 フレーム中 %1（割った後の 1 秒の休止を除く）</translation>
    </message>
    <message>
        <source>Frame interval (median)</source>
        <translation>フレーム間隔（中央値）</translation>
    </message>
    <message>
        <source>Subject</source>
        <translation>被験者ID</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>開始</translation>
    </message>
    <message>
        <source>Janken condition</source>
        <translation>じゃんけん条件</translation>
    </message>
    <message>
        <source>Mirror display at the first pop</source>
        <translation>最初に割ったときのミラー表示</translation>
    </message>
    <message>
        <source>Settings and sensor</source>
        <translation>設定とセンサー</translation>
    </message>
    <message>
        <source>unknown: no run record (_run.json) for this run</source>
        <translation>不明：この実行の実行記録（_run.json）なし</translation>
    </message>
    <message>
        <source>%1, %2 (run %3 of %4)</source>
        <translation>%1、%2（%4 回中 %3 回目）</translation>
    </message>
    <message>
        <source>Trial file</source>
        <translation>試行ファイル</translation>
    </message>
    <message>
        <source>Body file</source>
        <translation>体のファイル</translation>
    </message>
    <message>
        <source>Timing file</source>
        <translation>タイミングファイル</translation>
    </message>
    <message>
        <source>Run record</source>
        <translation>実行記録</translation>
    </message>
    <message>
        <source>RT from the picture (median)</source>
        <translation>画像からの RT（中央値）</translation>
    </message>
    <message>
        <source>%1 ms, to within a camera frame</source>
        <translation>%1 ms（カメラの 1 フレーム以内）</translation>
    </message>
    <message>
        <source>RT to the hand&apos;s crossing (median)</source>
        <translation>手が通過するまでの RT（中央値）</translation>
    </message>
    <message>
        <source>%1 ms, between two pictures: RTCrossing of the timing file</source>
        <translation>%1 ms（2 枚の画像の間：タイミングファイルの RTCrossing）</translation>
    </message>
    <message>
        <source>Ended early with Esc after %1 s (time limit %2 s).</source>
        <translation>%1 秒で Esc により途中終了（制限時間 %2 秒）。</translation>
    </message>
    <message>
        <source>Ended early with Esc after %1 s.</source>
        <translation>%1 秒で Esc により途中終了。</translation>
    </message>
    <message>
        <source>Ended early with Esc (time limit %1 s).</source>
        <translation>Esc により途中終了（制限時間 %1 秒）。</translation>
    </message>
    <message>
        <source>Ended early with Esc.</source>
        <translation>Esc により途中終了。</translation>
    </message>
    <message>
        <source>Ended early by a stop signal (logout, shutdown or kill) after %1 s (time limit %2 s).</source>
        <translation>%1 秒で停止シグナル（ログアウト、シャットダウン、kill）により途中終了（制限時間 %2 秒）。</translation>
    </message>
    <message>
        <source>Ended early by a stop signal (logout, shutdown or kill) after %1 s.</source>
        <translation>%1 秒で停止シグナル（ログアウト、シャットダウン、kill）により途中終了。</translation>
    </message>
    <message>
        <source>Ended early by a stop signal (logout, shutdown or kill) (time limit %1 s).</source>
        <translation>停止シグナル（ログアウト、シャットダウン、kill）により途中終了（制限時間 %1 秒）。</translation>
    </message>
    <message>
        <source>Ended early by a stop signal (logout, shutdown or kill).</source>
        <translation>停止シグナル（ログアウト、シャットダウン、kill）により途中終了。</translation>
    </message>
    <message>
        <source>The program stopped during the run (crash or kill); the files were rebuilt from its journal.</source>
        <translation>実行中にプログラムが止まりました（クラッシュまたは kill）。ファイルは記録から復元しました。</translation>
    </message>
    <message>
        <source>The body sensor stopped %1 s into the run (%2); nothing of the child was recorded after that.</source>
        <translation>実行開始から %1 秒で体のセンサーが止まりました（%2）。それ以降、子どもは記録されていません。</translation>
    </message>
    <message>
        <source>The body sensor stopped (%1); nothing of the child was recorded after that.</source>
        <translation>体のセンサーが止まりました（%1）。それ以降、子どもは記録されていません。</translation>
    </message>
    <message>
        <source>The camera delivered %1 pictures a second; the camera check asks for at least %2.</source>
        <translation>カメラの画像は毎秒 %1 枚でした。カメラチェックの基準は毎秒 %2 枚以上です。</translation>
    </message>
    <message>
        <source>Bodies came late: %1 ms on average from a picture&apos;s capture to its hit test; the camera check accepts up to %2 ms.</source>
        <translation>体の検出が遅れました：画像の取得から当たり判定まで平均 %1 ms。カメラチェックの基準は %2 ms 以内です。</translation>
    </message>
    <message>
        <source>A body was tracked in only %1 of the body frames; the camera check asks for %2.</source>
        <translation>体を追跡できたのは体のフレームの %1 だけでした。カメラチェックの基準は %2 です。</translation>
    </message>
    <message>
        <source>Simulated sensor: the bodies are the simulator&apos;s, not a child&apos;s data.</source>
        <translation>シミュレーションのセンサー：体はシミュレーションのもので、子どものデータではありません。</translation>
    </message>
    <message>
        <source>Not run as set: %1.</source>
        <translation>設定どおりに行われていません：%1。</translation>
    </message>
    <message>
        <source>%1 of %2 camera pictures (%3) were never shown: the computer did not keep up.</source>
        <translation>カメラ画像 %2 枚のうち %1 枚（%3）が表示されませんでした。コンピューターの処理が追いついていません。</translation>
    </message>
    <message>
        <source>Frames came unevenly: %1 of the intervals were longer than %2 ms (median %3 ms); frames were dropped.</source>
        <translation>フレームの間隔が不ぞろいです：間隔の %1 が %2 ms を超えました（中央値 %3 ms）。フレームが抜けています。</translation>
    </message>
    <message>
        <source>The session video was not recorded: %1.</source>
        <translation>録画されませんでした：%1。</translation>
    </message>
    <message>
        <source>%1 camera pictures are missing from the session video: the disk did not keep up.</source>
        <translation>録画にカメラ画像 %1 枚が抜けています。ディスクの書き込みが追いついていません。</translation>
    </message>
    <message>
        <source>The session video stopped early: %1.</source>
        <translation>録画が途中で止まりました：%1。</translation>
    </message>
    <message>
        <source>No body was tracked at all in this run: nothing was recorded of the child.</source>
        <translation>この実行では体が一度も追跡されませんでした。子どもは記録されていません。</translation>
    </message>
    <message>
        <source>The child was tracked in only %1 of the frames (below %2): check the camera&apos;s view of the child.</source>
        <translation>子どもを追跡できたのはフレームの %1 だけでした（%2 未満）。カメラに子どもが写っているか確認してください。</translation>
    </message>
    <message>
        <source>No balloon was popped after the start balloon: there are no reaction times.</source>
        <translation>開始の風船の後に割られた風船がありません。反応時間はありません。</translation>
    </message>
    <message>
        <source>(empty)</source>
        <translation>（空）</translation>
    </message>
    <message>
        <source>(none)</source>
        <translation>（なし）</translation>
    </message>
    <message>
        <source>at the time limit</source>
        <translation>制限時間で終了</translation>
    </message>
    <message>
        <source>by Esc</source>
        <translation>Esc で終了</translation>
    </message>
    <message>
        <source>by a stop signal</source>
        <translation>停止シグナルで終了</translation>
    </message>
    <message>
        <source>with the trial table full</source>
        <translation>試行表がいっぱいで終了</translation>
    </message>
    <message>
        <source>rebuilt from the journal after a crash</source>
        <translation>異常終了の後、記録から復元</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>不明</translation>
    </message>
    <message>
        <source>Run ended</source>
        <translation>終了</translation>
    </message>
    <message>
        <source>%1, after %2 s</source>
        <translation>%1（%2 秒）</translation>
    </message>
    <message>
        <source>Rows written</source>
        <translation>書き込んだ行</translation>
    </message>
    <message>
        <source>%1 trials, %2 body rows</source>
        <translation>試行 %1 行、体 %2 行</translation>
    </message>
    <message>
        <source>Camera pictures</source>
        <translation>カメラ画像</translation>
    </message>
    <message>
        <source>%1 captured, %2 shown</source>
        <translation>取得 %1 枚、表示 %2 枚</translation>
    </message>
    <message>
        <source>Body frames (whole run)</source>
        <translation>体のフレーム（実行全体）</translation>
    </message>
    <message>
        <source>Stage frames presented</source>
        <translation>表示した画面のフレーム</translation>
    </message>
    <message>
        <source>Camera frame interval</source>
        <translation>カメラのフレーム間隔</translation>
    </message>
    <message>
        <source>median %1 ms, 99th percentile %2 ms</source>
        <translation>中央値 %1 ms、99 パーセンタイル %2 ms</translation>
    </message>
    <message>
        <source>mean %1 ms</source>
        <translation>平均 %1 ms</translation>
    </message>
    <message>
        <source>, SD %1 ms</source>
        <translation>、SD %1 ms</translation>
    </message>
    <message>
        <source>Picture capture to hit test</source>
        <translation>画像の取得から当たり判定まで</translation>
    </message>
    <message>
        <source> (%1 frames)</source>
        <translation>（%1 フレーム）</translation>
    </message>
    <message>
        <source>, 99th percentile %1 ms</source>
        <translation>、99 パーセンタイル %1 ms</translation>
    </message>
    <message>
        <source>Balloon placed to shown</source>
        <translation>風船の配置から表示まで</translation>
    </message>
    <message>
        <source> (%1 trials)</source>
        <translation>（%1 試行）</translation>
    </message>
    <message>
        <source>, longest %1 ms</source>
        <translation>、最長 %1 ms</translation>
    </message>
    <message>
        <source>Body frames with any body tracked</source>
        <translation>体を追跡できた体のフレーム</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%2 中 %1</translation>
    </message>
    <message>
        <source>Body that popped most balloons</source>
        <translation>風船を最も多く割った体</translation>
    </message>
    <message>
        <source>body %1, in %2 body frames (whole run)</source>
        <translation>体 %1、体のフレーム %2（実行全体）</translation>
    </message>
    <message>
        <source>body %1</source>
        <translation>体 %1</translation>
    </message>
    <message>
        <source>Its left hand tracked</source>
        <translation>その左手の追跡</translation>
    </message>
    <message>
        <source>%1 of its frames</source>
        <translation>その体のフレームの %1</translation>
    </message>
    <message>
        <source>Its right hand tracked</source>
        <translation>その右手の追跡</translation>
    </message>
    <message>
        <source>Session video</source>
        <translation>録画</translation>
    </message>
    <message>
        <source>not recorded</source>
        <translation>録画なし</translation>
    </message>
    <message>
        <source>Session video frames</source>
        <translation>録画のフレーム</translation>
    </message>
    <message>
        <source>%1 written, %2 dropped</source>
        <translation>書き込み %1、欠落 %2</translation>
    </message>
    <message>
        <source>Session video problem</source>
        <translation>録画の問題</translation>
    </message>
    <message>
        <source>Hands of the body that popped most balloons tracked: left %1, right %2 of its %3 frames</source>
        <translation>風船を最も多く割った体の手の追跡：%3 フレーム中 左手 %1、右手 %2</translation>
    </message>
    <message>
        <source>Hands of the body that popped most balloons tracked: left %1, right %2 of its frames</source>
        <translation>風船を最も多く割った体の手の追跡：左手 %1、右手 %2</translation>
    </message>
    <message>
        <source>; a body tracked in %1 of the body frames</source>
        <translation>；体のフレームの %1 で体を追跡</translation>
    </message>
    <message>
        <source>Session video: %1 (frames written / dropped: %2 / %3)</source>
        <translation>録画：%1（書き込み / 欠落フレーム：%2 / %3）</translation>
    </message>
    <message>
        <source>Session video: %1</source>
        <translation>録画：%1</translation>
    </message>
    <message>
        <source>Last run (simulated sensor, not a child&apos;s data): %1, started %2</source>
        <translation>前回の実行（シミュレーションのセンサー、子どものデータではありません）：%1、%2 開始</translation>
    </message>
    <message>
        <source>Last run: %1, started %2</source>
        <translation>前回の実行：%1、%2 開始</translation>
    </message>
    <message>
        <source> (run %1 in these files: same subject and second)</source>
        <translation>（このファイルの %1 回目：同じ被験者IDと開始秒）</translation>
    </message>
    <message>
        <source>No report was written: %1</source>
        <translation>レポートは書き込まれませんでした：%1</translation>
    </message>
    <message>
        <source>Files: %1</source>
        <translation>ファイル：%1</translation>
    </message>
    <message>
        <source>Balloons popped: %1 (the start balloon included); RT median %2 ms, IQR %3 ms (%4 to %5 ms), %6 trials</source>
        <translation>割った風船：%1 個（開始の風船を含む）；RT 中央値 %2 ms、IQR %3 ms（%4 ～ %5 ms）、%6 試行</translation>
    </message>
    <message>
        <source>Balloons popped: %1 (the start balloon included)</source>
        <translation>割った風船：%1 個（開始の風船を含む）</translation>
    </message>
    <message>
        <source>Child tracked in %1 of the frames</source>
        <translation>子どもの追跡：フレームの %1</translation>
    </message>
    <message>
        <source>Child tracked in no frame</source>
        <translation>子どもの追跡：なし</translation>
    </message>
    <message>
        <source>; camera pictures shown / captured: %1 / %2</source>
        <translation>；カメラ画像 表示 / 取得：%1 / %2</translation>
    </message>
    <message>
        <source>; pictures shown / captured: unknown (no run record)</source>
        <translation>；画像 表示 / 取得：不明（実行記録なし）</translation>
    </message>
    <message>
        <source>No figure speaks against this run.</source>
        <translation>この実行に問題となる数値はありません。</translation>
    </message>
    <message>
        <source>The files of the last run could not be read back: %1</source>
        <translation>前回の実行のファイルを読み戻せませんでした：%1</translation>
    </message>
    <message>
        <source>WARNING: %1</source>
        <translation>警告：%1</translation>
    </message>
    <message>
        <source>%1: line %2 has no line end (the file was cut off inside it): that row is left out.</source>
        <translation>%1: %2 行目に行末がありません（書き込みの途中で切れたファイル）。この行は除きました。</translation>
    </message>
    <message>
        <source>%1: the timing rows of %2 trial(s) (trial %3) do not match the trial file&apos;s Trial and RT: left out.</source>
        <translation>%1: %2 試行（試行 %3）のタイミング行が試行ファイルの Trial と RT に合いません。除きました。</translation>
    </message>
    <message>
        <source>%1: the timing rows of %2 trial(s) of run %4 (trial %3) do not match the trial file&apos;s Trial and RT: left out.</source>
        <translation>%1: 実行 %4 の %2 試行（試行 %3）のタイミング行が試行ファイルの Trial と RT に合いません。除きました。</translation>
    </message>
    <message>
        <source>%1: no timing row for trial %2 (the file ends before it).</source>
        <translation>%1: 試行 %2 のタイミング行がありません（ファイルがその前で終わっています）。</translation>
    </message>
    <message>
        <source>%1: no timing row for trial %2 of run %4 (the file ends before it).</source>
        <translation>%1: 実行 %4 の試行 %2 のタイミング行がありません（ファイルがその前で終わっています）。</translation>
    </message>
    <message>
        <source>%1: no timing row for trials %2 to %3 (the file ends before them).</source>
        <translation>%1: 試行 %2 ～ %3 のタイミング行がありません（ファイルがその前で終わっています）。</translation>
    </message>
    <message>
        <source>%1: no timing row for trials %2 to %3 of run %4 (the file ends before them).</source>
        <translation>%1: 実行 %4 の試行 %2 ～ %3 のタイミング行がありません（ファイルがその前で終わっています）。</translation>
    </message>
    <message>
        <source>%1: %2 timing row(s) after the trial file&apos;s last trial: left out.</source>
        <translation>%1: 試行ファイルの最後の試行より後のタイミング行 %2 行を除きました。</translation>
    </message>
    <message>
        <source>%1: %2 timing row(s) of run %3 after the trial file&apos;s last trial: left out.</source>
        <translation>%1: 実行 %3 で試行ファイルの最後の試行より後のタイミング行 %2 行を除きました。</translation>
    </message>
</context>
</TS>
