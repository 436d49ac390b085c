<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_TW">
<context>
    <name>CDialog</name>
    <message>
        <source>Please enter no more than %1 characters.</source>
        <translation>請輸入不超過 %1 個字元。</translation>
    </message>
</context>
<context>
    <name>CFileDialog</name>
    <message>
        <source>%1 already exists.
Do you want to replace it?</source>
        <translation>%1 已經存在。
要取代它嗎？</translation>
    </message>
    <message>
        <source>Save As</source>
        <translation>另存新檔</translation>
    </message>
</context>
<context>
    <name>CMuxDlg</name>
    <message>
        <source>Only one video stream allowed</source>
        <translation>只能選擇一個視訊串流</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>錯誤</translation>
    </message>
    <message>
        <source>More than 9 streams are ticked; with the helper stream a merge holds at most 9</source>
        <translation>勾選的串流超過 9 個；加上輔助串流後，一次合併最多可容納 9 個</translation>
    </message>
    <message>
        <source>More than 10 streams are ticked; a merge holds at most 10</source>
        <translation>勾選的串流超過 10 個；一次合併最多可容納 10 個</translation>
    </message>
    <message>
        <source>The merge could not be started</source>
        <translation>無法開始合併</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>Invalid RM file or no usable streams</source>
        <translation>無效的 RM 檔案，或沒有可用的串流</translation>
    </message>
    <message>
        <source>No more than 10 files can be added</source>
        <translation>最多只能新增 10 個檔案</translation>
    </message>
    <message>
        <source>The file has more than 10 usable streams, more than a merge can hold</source>
        <translation>此檔案有超過 10 個可用的串流，超出一次合併所能容納的數量</translation>
    </message>
    <message>
        <source>The file has a usable stream numbered above 9, which a merge cannot hold</source>
        <translation>此檔案有一個編號大於 9 的可用串流，合併無法容納</translation>
    </message>
    <message>
        <source>The file has a stream with more than 2048 bytes of codec data, which a merge cannot carry</source>
        <translation>此檔案有一個編碼解碼器資料超過 2048 位元組的串流，合併無法承載</translation>
    </message>
    <message>
        <source>Only files can be removed</source>
        <translation>只能移除檔案</translation>
    </message>
    <message>
        <source>Video streams can not be renamed</source>
        <translation>視訊串流無法重新命名</translation>
    </message>
    <message>
        <source>Title: %1</source>
        <translation>標題：%1</translation>
    </message>
    <message>
        <source>Author: %1</source>
        <translation>作者：%1</translation>
    </message>
    <message>
        <source>Duration: %1</source>
        <translation>長度：%1</translation>
    </message>
    <message>
        <source>Real media (*.rm,*.rmvb)|*.rm;*.rmvb||</source>
        <translation>RealMedia 檔案 (*.rm,*.rmvb)|*.rm;*.rmvb||</translation>
    </message>
    <message>
        <source>The file cannot be opened: %1</source>
        <translation>無法開啟此檔案：%1</translation>
    </message>
    <message>
        <source>Tick the streams to append in at least two files</source>
        <translation>請在至少兩個檔案中勾選要附加的串流</translation>
    </message>
    <message>
        <source>Append the Files Into</source>
        <translation>附加檔案並儲存為</translation>
    </message>
    <message>
        <source>Merge the Streams Into</source>
        <translation>合併串流並儲存為</translation>
    </message>
    <message>
        <source>The append could not be started</source>
        <translation>無法開始附加</translation>
    </message>
    <message>
        <source>Append</source>
        <translation>附加</translation>
    </message>
    <message>
        <source>Merge</source>
        <translation>合併</translation>
    </message>
    <message>
        <source>Start &quot;%1&quot; is not a time: give seconds (90.5) or [[hh:]mm:]ss[.mmm] (1:30, 0:01:30.250)</source>
        <translation>開始「%1」不是時間：請輸入秒數 (90.5) 或 [[hh:]mm:]ss[.mmm] (1:30, 0:01:30.250)</translation>
    </message>
    <message>
        <source>End &quot;%1&quot; is not a time: give seconds (90.5) or [[hh:]mm:]ss[.mmm] (1:30, 0:01:30.250)</source>
        <translation>結束「%1」不是時間：請輸入秒數 (90.5) 或 [[hh:]mm:]ss[.mmm] (1:30, 0:01:30.250)</translation>
    </message>
    <message>
        <source>End (%1) must come after Start (%2)</source>
        <translation>結束 (%1) 必須晚於開始 (%2)</translation>
    </message>
    <message>
        <source>%1 (repaired).%2</source>
        <translation>%1 (已修復).%2</translation>
    </message>
    <message>
        <source>at byte %1, %2</source>
        <translation>在位元組 %1 處：%2</translation>
    </message>
    <message>
        <source>%1 is damaged: %2. Repair a copy?</source>
        <translation>%1 已損壞：%2。要修復一份副本嗎？</translation>
    </message>
    <message>
        <source>Damaged file</source>
        <translation>損壞的檔案</translation>
    </message>
    <message>
        <source>Save the Repaired Copy As</source>
        <translation>將修復的副本另存為</translation>
    </message>
    <message>
        <source>The repair could not be started</source>
        <translation>無法開始修復</translation>
    </message>
    <message>
        <source>The output holds the media %1</source>
        <translation>輸出檔案包含的媒體：%1</translation>
    </message>
    <message>
        <source>The output was written: %1</source>
        <translation>輸出已寫入：%1</translation>
    </message>
    <message>
        <source>Generated By: %1</source>
        <translation>產生軟體：%1</translation>
    </message>
    <message>
        <source>Creation Date: %1</source>
        <translation>建立日期：%1</translation>
    </message>
    <message>
        <source>%1 (trimmed).%2</source>
        <translation>%1 (剪輯).%2</translation>
    </message>
    <message>
        <source>%1 (merged).%2</source>
        <translation>%1 (合併).%2</translation>
    </message>
    <message>
        <source>Tick at least one stream to merge</source>
        <translation>請至少勾選一個要合併的串流</translation>
    </message>
    <message>
        <source>Appending into %1</source>
        <translation>正在附加到 %1</translation>
    </message>
    <message>
        <source>Merging into %1</source>
        <translation>正在合併到 %1</translation>
    </message>
    <message>
        <source>Repairing into %1</source>
        <translation>正在修復到 %1</translation>
    </message>
    <message>
        <source>%1 was repaired into %2: %3

Show the whole report?</source>
        <translation>%1 已修復為 %2：%3

顯示完整報告嗎？</translation>
    </message>
    <message>
        <source>Repaired</source>
        <translation>已修復</translation>
    </message>
    <message>
        <source>Repair report</source>
        <translation>修復報告</translation>
    </message>
    <message>
        <source>no damage found; %1 packets copied</source>
        <translation>未發現損壞；已複製 %1 個封包</translation>
    </message>
    <message>
        <source>%1 damaged regions passed over (%2 bytes); %3 packets recovered</source>
        <translation>略過 %1 個損壞區域（%2 位元組）；復原 %3 個封包</translation>
    </message>
    <message>
        <source>Bytes %1 to %2 (%3 bytes) passed over; streams that may have lost packets there: %4</source>
        <translation>略過位元組 %1 至 %2（%3 位元組）；可能在此遺失封包的串流：%4</translation>
    </message>
    <message>
        <source>none</source>
        <translation>無</translation>
    </message>
    <message>
        <source>Stream %1: %2 packets recovered, %3 index records built</source>
        <translation>串流 %1：復原 %2 個封包，建立 %3 筆索引記錄</translation>
    </message>
    <message>
        <source>No more than 10 files can be added; not added: %1</source>
        <translation>最多只能新增 10 個檔案；未新增：%1</translation>
    </message>
    <message>
        <source>%1 cannot be added: %2</source>
        <translation>無法新增 %1：%2</translation>
    </message>
    <message>
        <source>Type: %1</source>
        <translation>類型：%1</translation>
    </message>
    <message>
        <source>Copyright: %1</source>
        <translation>版權：%1</translation>
    </message>
    <message>
        <source>Repaired: %1</source>
        <translation>已修復：%1</translation>
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
        <translation>關閉(&amp;C)	Alt+F4</translation>
    </message>
</context>
<context>
    <name>Resources</name>
    <message>
        <source>About Kestrova</source>
        <translation>關於 Kestrova</translation>
    </message>
    <message>
        <source>Kestrova Version %1</source>
        <translation>Kestrova 版本 %1</translation>
    </message>
    <message>
        <source>Merges streams of RealMedia files</source>
        <translation>合併 RealMedia 檔案中的串流</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>確定</translation>
    </message>
    <message>
        <source>Real Media muxer</source>
        <translation>RealMedia 合併器</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Rename</source>
        <translation>重新命名</translation>
    </message>
    <message>
        <source>Add plugin</source>
        <translation>新增外掛程式</translation>
    </message>
    <message>
        <source>Note:Stream name is limited to 12 characters</source>
        <translation>注意：串流名稱最多 12 個字元</translation>
    </message>
    <message>
        <source>Stream name:</source>
        <translation>串流名稱：</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>進度</translation>
    </message>
    <message>
        <source>&amp;About Kestrova...</source>
        <translation>關於 Kestrova(&amp;A)...</translation>
    </message>
    <message>
        <source>A&amp;ppend</source>
        <translation>附加(&amp;P)</translation>
    </message>
    <message>
        <source>&amp;Start:</source>
        <translation>開始(&amp;S):</translation>
    </message>
    <message>
        <source>&amp;End:</source>
        <translation>結束(&amp;E):</translation>
    </message>
    <message>
        <source>empty: whole file</source>
        <translation>留空：整個檔案</translation>
    </message>
    <message>
        <source>&amp;Merge</source>
        <translation>合併(&amp;M)</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>取消(&amp;C)</translation>
    </message>
    <message>
        <source>&amp;Add</source>
        <translation>新增(&amp;A)</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>移除(&amp;R)</translation>
    </message>
    <message>
        <source>Re&amp;name</source>
        <translation>重新命名(&amp;N)</translation>
    </message>
</context>
</TS>
