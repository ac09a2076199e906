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
        <source>実験画面を表示できないため、実験を中止しました。</source>
        <translation>The run was stopped: the stage could not be shown.</translation>
    </message>
    <message>
        <source>実験を開始できません。</source>
        <translation>Cannot start.</translation>
    </message>
    <message>
        <source>体のセンサーが実験中に止まりました。</source>
        <translation>The body sensor stopped during the run.</translation>
    </message>
    <message>
        <source>録画を開始できません。</source>
        <translation>Video recording cannot start.</translation>
    </message>
    <message>
        <source>録画が途中で止まりました。</source>
        <translation>Video recording stopped part way.</translation>
    </message>
    <message>
        <source>整数を入力してください。</source>
        <translation>Please enter a whole number.</translation>
    </message>
    <message>
        <source>被験者IDに使えない入力です。</source>
        <translation>This cannot be used as a subject ID.</translation>
    </message>
    <message>
        <source>データファイルを開くことができません</source>
        <translation>The data file cannot be opened</translation>
    </message>
    <message>
        <source>データファイルを次の場所に保存しました。</source>
        <translation>The data files were saved here:</translation>
    </message>
    <message>
        <source>データファイルを保存できませんでした。</source>
        <translation>The data file could not be saved.</translation>
    </message>
    <message>
        <source>記録は次のファイルに残っています。次回の起動時に書き出します。</source>
        <translation>The data is kept in this file and written out at the next start:</translation>
    </message>
    <message>
        <source>記録用のディスク容量を確保できませんでした。この実行中にディスクがいっぱいになると、異常終了の際に記録が失われることがあります。</source>
        <translation>Disk space for the run journal could not be reserved.</translation>
    </message>
    <message>
        <source>記録用のファイルを作成できませんでした。この実行が異常終了すると、記録は失われます。</source>
        <translation>No run journal could be created.</translation>
    </message>
    <message>
        <source>次のフォルダは安全でないため使いませんでした。</source>
        <translation>This folder was not used because it is not safe:</translation>
    </message>
    <message>
        <source>設定ファイルに使えない値があります。</source>
        <translation>Tavelin2.ini holds values that cannot be used.</translation>
    </message>
    <message>
        <source>この実験は設定どおりには行われません。</source>
        <translation>Check the settings of this run.</translation>
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
