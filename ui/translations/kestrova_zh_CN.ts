<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>CDialog</name>
    <message>
        <source>Please enter no more than %1 characters.</source>
        <translation>请输入不超过 %1 个字符。</translation>
    </message>
</context>
<context>
    <name>CFileDialog</name>
    <message>
        <source>%1 already exists.
Do you want to replace it?</source>
        <translation>%1 已存在。
要替换它吗？</translation>
    </message>
    <message>
        <source>Save As</source>
        <translation>另存为</translation>
    </message>
</context>
<context>
    <name>CMuxDlg</name>
    <message>
        <source>Only one video stream allowed</source>
        <translation>只能选择一个视频流</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>错误</translation>
    </message>
    <message>
        <source>More than 9 streams are ticked; with the helper stream a merge holds at most 9</source>
        <translation>勾选的流超过 9 个；加上辅助流后，一次合并最多容纳 9 个</translation>
    </message>
    <message>
        <source>More than 10 streams are ticked; a merge holds at most 10</source>
        <translation>勾选的流超过 10 个；一次合并最多容纳 10 个</translation>
    </message>
    <message>
        <source>The merge could not be started</source>
        <translation>无法开始合并</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>Invalid RM file or no usable streams</source>
        <translation>无效的 RM 文件或没有可用的流</translation>
    </message>
    <message>
        <source>No more than 10 files can be added</source>
        <translation>最多只能添加 10 个文件</translation>
    </message>
    <message>
        <source>The file has more than 10 usable streams, more than a merge can hold</source>
        <translation>该文件有超过 10 个可用的流，超出一次合并所能容纳的数量</translation>
    </message>
    <message>
        <source>The file has a usable stream numbered above 9, which a merge cannot hold</source>
        <translation>该文件有一个编号大于 9 的可用流，合并无法容纳</translation>
    </message>
    <message>
        <source>The file has a stream with more than 2048 bytes of codec data, which a merge cannot carry</source>
        <translation>该文件有一个编解码器数据超过 2048 字节的流，合并无法承载</translation>
    </message>
    <message>
        <source>Only files can be removed</source>
        <translation>只能移除文件</translation>
    </message>
    <message>
        <source>Video streams can not be renamed</source>
        <translation>视频流不能重命名</translation>
    </message>
    <message>
        <source>Title: %1</source>
        <translation>标题：%1</translation>
    </message>
    <message>
        <source>Author: %1</source>
        <translation>作者：%1</translation>
    </message>
    <message>
        <source>Duration: %1</source>
        <translation>时长：%1</translation>
    </message>
    <message>
        <source>Real media (*.rm,*.rmvb)|*.rm;*.rmvb||</source>
        <translation>RealMedia 文件 (*.rm,*.rmvb)|*.rm;*.rmvb||</translation>
    </message>
    <message>
        <source>The file cannot be opened: %1</source>
        <translation>无法打开该文件：%1</translation>
    </message>
    <message>
        <source>Tick the streams to append in at least two files</source>
        <translation>请在至少两个文件中勾选要追加的流</translation>
    </message>
    <message>
        <source>Append the Files Into</source>
        <translation>追加文件并保存为</translation>
    </message>
    <message>
        <source>Merge the Streams Into</source>
        <translation>合并流并保存为</translation>
    </message>
    <message>
        <source>The append could not be started</source>
        <translation>无法开始追加</translation>
    </message>
    <message>
        <source>Append</source>
        <translation>追加</translation>
    </message>
    <message>
        <source>Merge</source>
        <translation>合并</translation>
    </message>
    <message>
        <source>Start &quot;%1&quot; is not a time: give seconds (90.5) or [[hh:]mm:]ss[.mmm] (1:30, 0:01:30.250)</source>
        <translation>开始“%1”不是时间：请输入秒数 (90.5) 或 [[hh:]mm:]ss[.mmm] (1:30, 0:01:30.250)</translation>
    </message>
    <message>
        <source>End &quot;%1&quot; is not a time: give seconds (90.5) or [[hh:]mm:]ss[.mmm] (1:30, 0:01:30.250)</source>
        <translation>结束“%1”不是时间：请输入秒数 (90.5) 或 [[hh:]mm:]ss[.mmm] (1:30, 0:01:30.250)</translation>
    </message>
    <message>
        <source>End (%1) must come after Start (%2)</source>
        <translation>结束 (%1) 必须晚于开始 (%2)</translation>
    </message>
    <message>
        <source>%1 (repaired).%2</source>
        <translation>%1 (已修复).%2</translation>
    </message>
    <message>
        <source>at byte %1, %2</source>
        <translation>在字节 %1 处：%2</translation>
    </message>
    <message>
        <source>%1 is damaged: %2. Repair a copy?</source>
        <translation>%1 已损坏：%2。要修复一份副本吗？</translation>
    </message>
    <message>
        <source>Damaged file</source>
        <translation>损坏的文件</translation>
    </message>
    <message>
        <source>Save the Repaired Copy As</source>
        <translation>将修复的副本另存为</translation>
    </message>
    <message>
        <source>The repair could not be started</source>
        <translation>无法开始修复</translation>
    </message>
    <message>
        <source>The output holds the media %1</source>
        <translation>输出文件包含的媒体：%1</translation>
    </message>
    <message>
        <source>The output was written: %1</source>
        <translation>输出已写入：%1</translation>
    </message>
    <message>
        <source>Generated By: %1</source>
        <translation>生成软件：%1</translation>
    </message>
    <message>
        <source>Creation Date: %1</source>
        <translation>创建日期：%1</translation>
    </message>
    <message>
        <source>%1 (trimmed).%2</source>
        <translation>%1 (剪辑).%2</translation>
    </message>
    <message>
        <source>%1 (merged).%2</source>
        <translation>%1 (合并).%2</translation>
    </message>
    <message>
        <source>Tick at least one stream to merge</source>
        <translation>请至少勾选一个要合并的流</translation>
    </message>
    <message>
        <source>Appending into %1</source>
        <translation>正在追加到 %1</translation>
    </message>
    <message>
        <source>Merging into %1</source>
        <translation>正在合并到 %1</translation>
    </message>
    <message>
        <source>Repairing into %1</source>
        <translation>正在修复到 %1</translation>
    </message>
    <message>
        <source>%1 was repaired into %2: %3

Show the whole report?</source>
        <translation>%1 已修复为 %2：%3

显示完整报告吗？</translation>
    </message>
    <message>
        <source>Repaired</source>
        <translation>已修复</translation>
    </message>
    <message>
        <source>Repair report</source>
        <translation>修复报告</translation>
    </message>
    <message>
        <source>no damage found; %1 packets copied</source>
        <translation>未发现损坏；已复制 %1 个数据包</translation>
    </message>
    <message>
        <source>%1 damaged regions passed over (%2 bytes); %3 packets recovered</source>
        <translation>跳过 %1 个损坏区域（%2 字节）；恢复 %3 个数据包</translation>
    </message>
    <message>
        <source>Bytes %1 to %2 (%3 bytes) passed over; streams that may have lost packets there: %4</source>
        <translation>跳过字节 %1 至 %2（%3 字节）；可能在此丢失数据包的流：%4</translation>
    </message>
    <message>
        <source>none</source>
        <translation>无</translation>
    </message>
    <message>
        <source>Stream %1: %2 packets recovered, %3 index records built</source>
        <translation>流 %1：恢复 %2 个数据包，建立 %3 条索引记录</translation>
    </message>
    <message>
        <source>No more than 10 files can be added; not added: %1</source>
        <translation>最多只能添加 10 个文件；未添加：%1</translation>
    </message>
    <message>
        <source>%1 cannot be added: %2</source>
        <translation>无法添加 %1：%2</translation>
    </message>
    <message>
        <source>Type: %1</source>
        <translation>类型：%1</translation>
    </message>
    <message>
        <source>Copyright: %1</source>
        <translation>版权：%1</translation>
    </message>
    <message>
        <source>Repaired: %1</source>
        <translation>已修复：%1</translation>
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
        <translation>关闭(&amp;C)	Alt+F4</translation>
    </message>
</context>
<context>
    <name>Resources</name>
    <message>
        <source>About Kestrova</source>
        <translation>关于 Kestrova</translation>
    </message>
    <message>
        <source>Kestrova Version %1</source>
        <translation>Kestrova 版本 %1</translation>
    </message>
    <message>
        <source>Merges streams of RealMedia files</source>
        <translation>合并 RealMedia 文件中的流</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Real Media muxer</source>
        <translation>RealMedia 合并器</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Rename</source>
        <translation>重命名</translation>
    </message>
    <message>
        <source>Add plugin</source>
        <translation>添加插件</translation>
    </message>
    <message>
        <source>Note:Stream name is limited to 12 characters</source>
        <translation>注意：流名称最多 12 个字符</translation>
    </message>
    <message>
        <source>Stream name:</source>
        <translation>流名称：</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>进度</translation>
    </message>
    <message>
        <source>&amp;About Kestrova...</source>
        <translation>关于 Kestrova(&amp;A)...</translation>
    </message>
    <message>
        <source>A&amp;ppend</source>
        <translation>追加(&amp;P)</translation>
    </message>
    <message>
        <source>&amp;Start:</source>
        <translation>开始(&amp;S):</translation>
    </message>
    <message>
        <source>&amp;End:</source>
        <translation>结束(&amp;E):</translation>
    </message>
    <message>
        <source>empty: whole file</source>
        <translation>留空：整个文件</translation>
    </message>
    <message>
        <source>&amp;Merge</source>
        <translation>合并(&amp;M)</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>取消(&amp;C)</translation>
    </message>
    <message>
        <source>&amp;Add</source>
        <translation>添加(&amp;A)</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>移除(&amp;R)</translation>
    </message>
    <message>
        <source>Re&amp;name</source>
        <translation>重命名(&amp;N)</translation>
    </message>
</context>
</TS>
