<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
<context>
    <name>CDialog</name>
    <message>
        <source>Please enter no more than %1 characters.</source>
        <translation>%1 文字以内で入力してください。</translation>
    </message>
</context>
<context>
    <name>CFileDialog</name>
    <message>
        <source>%1 already exists.
Do you want to replace it?</source>
        <translation>%1 は既に存在します。
置き換えますか?</translation>
    </message>
    <message>
        <source>Save As</source>
        <translation>名前を付けて保存</translation>
    </message>
</context>
<context>
    <name>CMuxDlg</name>
    <message>
        <source>Only one video stream allowed</source>
        <translation>ビデオ ストリームは 1 つだけ選べます</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>エラー</translation>
    </message>
    <message>
        <source>More than 9 streams are ticked; with the helper stream a merge holds at most 9</source>
        <translation>9 個を超えるストリームにチェックが付いています。ヘルパー ストリームを含めると、結合できるのは最大 9 個です</translation>
    </message>
    <message>
        <source>More than 10 streams are ticked; a merge holds at most 10</source>
        <translation>10 個を超えるストリームにチェックが付いています。結合できるのは最大 10 個です</translation>
    </message>
    <message>
        <source>The merge could not be started</source>
        <translation>結合を開始できませんでした</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>Invalid RM file or no usable streams</source>
        <translation>無効な RM ファイルか、使用できるストリームがありません</translation>
    </message>
    <message>
        <source>No more than 10 files can be added</source>
        <translation>追加できるファイルは 10 個までです</translation>
    </message>
    <message>
        <source>The file has more than 10 usable streams, more than a merge can hold</source>
        <translation>このファイルには使用できるストリームが 10 個を超えてあり、結合に収まりません</translation>
    </message>
    <message>
        <source>The file has a usable stream numbered above 9, which a merge cannot hold</source>
        <translation>このファイルには番号が 9 を超える使用可能なストリームがあり、結合に収まりません</translation>
    </message>
    <message>
        <source>The file has a stream with more than 2048 bytes of codec data, which a merge cannot carry</source>
        <translation>このファイルには 2048 バイトを超えるコーデック データを持つストリームがあり、結合では扱えません</translation>
    </message>
    <message>
        <source>Only files can be removed</source>
        <translation>削除できるのはファイルだけです</translation>
    </message>
    <message>
        <source>Video streams can not be renamed</source>
        <translation>ビデオ ストリームの名前は変更できません</translation>
    </message>
    <message>
        <source>Title: %1</source>
        <translation>タイトル: %1</translation>
    </message>
    <message>
        <source>Author: %1</source>
        <translation>作成者: %1</translation>
    </message>
    <message>
        <source>Duration: %1</source>
        <translation>再生時間: %1</translation>
    </message>
    <message>
        <source>Real media (*.rm,*.rmvb)|*.rm;*.rmvb||</source>
        <translation>RealMedia ファイル (*.rm,*.rmvb)|*.rm;*.rmvb||</translation>
    </message>
    <message>
        <source>The file cannot be opened: %1</source>
        <translation>ファイルを開けません: %1</translation>
    </message>
    <message>
        <source>Tick the streams to append in at least two files</source>
        <translation>連結するストリームを 2 つ以上のファイルでチェックしてください</translation>
    </message>
    <message>
        <source>Append the Files Into</source>
        <translation>連結したファイルの保存先</translation>
    </message>
    <message>
        <source>Merge the Streams Into</source>
        <translation>結合したストリームの保存先</translation>
    </message>
    <message>
        <source>The append could not be started</source>
        <translation>連結を開始できませんでした</translation>
    </message>
    <message>
        <source>Append</source>
        <translation>連結</translation>
    </message>
    <message>
        <source>Merge</source>
        <translation>結合</translation>
    </message>
    <message>
        <source>Start &quot;%1&quot; is not a time: give seconds (90.5) or [[hh:]mm:]ss[.mmm] (1:30, 0:01:30.250)</source>
        <translation>開始「%1」は時刻ではありません: 秒 (90.5) または [[hh:]mm:]ss[.mmm] (1:30, 0:01:30.250) で指定してください</translation>
    </message>
    <message>
        <source>End &quot;%1&quot; is not a time: give seconds (90.5) or [[hh:]mm:]ss[.mmm] (1:30, 0:01:30.250)</source>
        <translation>終了「%1」は時刻ではありません: 秒 (90.5) または [[hh:]mm:]ss[.mmm] (1:30, 0:01:30.250) で指定してください</translation>
    </message>
    <message>
        <source>End (%1) must come after Start (%2)</source>
        <translation>終了 (%1) は開始 (%2) より後にしてください</translation>
    </message>
    <message>
        <source>%1 (repaired).%2</source>
        <translation>%1 (修復済み).%2</translation>
    </message>
    <message>
        <source>at byte %1, %2</source>
        <translation>バイト %1: %2</translation>
    </message>
    <message>
        <source>%1 is damaged: %2. Repair a copy?</source>
        <translation>%1 は破損しています: %2。コピーを修復しますか?</translation>
    </message>
    <message>
        <source>Damaged file</source>
        <translation>破損したファイル</translation>
    </message>
    <message>
        <source>Save the Repaired Copy As</source>
        <translation>修復したコピーの保存先</translation>
    </message>
    <message>
        <source>The repair could not be started</source>
        <translation>修復を開始できませんでした</translation>
    </message>
    <message>
        <source>The output holds the media %1</source>
        <translation>出力に含まれるメディア: %1</translation>
    </message>
    <message>
        <source>The output was written: %1</source>
        <translation>出力を書き込みました: %1</translation>
    </message>
    <message>
        <source>Generated By: %1</source>
        <translation>作成ソフト: %1</translation>
    </message>
    <message>
        <source>Creation Date: %1</source>
        <translation>作成日: %1</translation>
    </message>
    <message>
        <source>%1 (trimmed).%2</source>
        <translation>%1 (トリム).%2</translation>
    </message>
    <message>
        <source>%1 (merged).%2</source>
        <translation>%1 (結合).%2</translation>
    </message>
    <message>
        <source>Tick at least one stream to merge</source>
        <translation>結合するストリームを少なくとも 1 つチェックしてください</translation>
    </message>
    <message>
        <source>Appending into %1</source>
        <translation>%1 に連結しています</translation>
    </message>
    <message>
        <source>Merging into %1</source>
        <translation>%1 に結合しています</translation>
    </message>
    <message>
        <source>Repairing into %1</source>
        <translation>%1 に修復しています</translation>
    </message>
    <message>
        <source>%1 was repaired into %2: %3

Show the whole report?</source>
        <translation>%1 を %2 に修復しました: %3

レポート全体を表示しますか?</translation>
    </message>
    <message>
        <source>Repaired</source>
        <translation>修復しました</translation>
    </message>
    <message>
        <source>Repair report</source>
        <translation>修復レポート</translation>
    </message>
    <message>
        <source>no damage found; %1 packets copied</source>
        <translation>破損は見つかりませんでした。%1 パケットをコピーしました</translation>
    </message>
    <message>
        <source>%1 damaged regions passed over (%2 bytes); %3 packets recovered</source>
        <translation>破損した領域 %1 か所 (%2 バイト) を読み飛ばし、%3 パケットを回復しました</translation>
    </message>
    <message>
        <source>Bytes %1 to %2 (%3 bytes) passed over; streams that may have lost packets there: %4</source>
        <translation>バイト %1 から %2 (%3 バイト) を読み飛ばしました。そこでパケットを失った可能性のあるストリーム: %4</translation>
    </message>
    <message>
        <source>none</source>
        <translation>なし</translation>
    </message>
    <message>
        <source>Stream %1: %2 packets recovered, %3 index records built</source>
        <translation>ストリーム %1: %2 パケットを回復、インデックス %3 件を作成</translation>
    </message>
    <message>
        <source>No more than 10 files can be added; not added: %1</source>
        <translation>追加できるファイルは 10 個までです。追加されなかったファイル: %1</translation>
    </message>
    <message>
        <source>%1 cannot be added: %2</source>
        <translation>%1 は追加できません: %2</translation>
    </message>
    <message>
        <source>Type: %1</source>
        <translation>種類: %1</translation>
    </message>
    <message>
        <source>Copyright: %1</source>
        <translation>著作権: %1</translation>
    </message>
    <message>
        <source>Repaired: %1</source>
        <translation>修復: %1</translation>
    </message>
</context>
<context>
    <name>CProgressDlg</name>
    <message>
        <source>%1 %</source>
        <translation>%1 %</translation>
    </message>
    <message>
        <source>%1 — %2 %</source>
        <translation>%1 — %2 %</translation>
    </message>
</context>
<context>
    <name>CWnd</name>
    <message>
        <source>Mi&amp;nimize</source>
        <translation>最小化(&amp;N)</translation>
    </message>
    <message>
        <source>&amp;Close	Alt+F4</source>
        <translation>閉じる(&amp;C)	Alt+F4</translation>
    </message>
</context>
<context>
    <name>Resources</name>
    <message>
        <source>About Kestrova</source>
        <translation>Kestrova について</translation>
    </message>
    <message>
        <source>Kestrova Version %1</source>
        <translation>Kestrova バージョン %1</translation>
    </message>
    <message>
        <source>Merges streams of RealMedia files</source>
        <translation>RealMedia ファイルのストリームを結合します</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Real Media muxer</source>
        <translation>RealMedia マルチプレクサー</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>Rename</source>
        <translation>名前の変更</translation>
    </message>
    <message>
        <source>Add plugin</source>
        <translation>プラグインを追加</translation>
    </message>
    <message>
        <source>Note:Stream name is limited to 12 characters</source>
        <translation>注: ストリーム名は 12 文字までです</translation>
    </message>
    <message>
        <source>Stream name:</source>
        <translation>ストリーム名:</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>進行状況</translation>
    </message>
    <message>
        <source>&amp;About Kestrova...</source>
        <translation>Kestrova について(&amp;A)...</translation>
    </message>
    <message>
        <source>A&amp;ppend</source>
        <translation>連結(&amp;P)</translation>
    </message>
    <message>
        <source>&amp;Start:</source>
        <translation>開始(&amp;S):</translation>
    </message>
    <message>
        <source>&amp;End:</source>
        <translation>終了(&amp;E):</translation>
    </message>
    <message>
        <source>empty: whole file</source>
        <translation>空欄: ファイル全体</translation>
    </message>
    <message>
        <source>&amp;Merge</source>
        <translation>結合(&amp;M)</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>キャンセル(&amp;C)</translation>
    </message>
    <message>
        <source>&amp;Add</source>
        <translation>追加(&amp;A)</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>削除(&amp;R)</translation>
    </message>
    <message>
        <source>Re&amp;name</source>
        <translation>名前の変更(&amp;N)</translation>
    </message>
</context>
</TS>
