<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>CDialog</name>
    <message>
        <source>Please enter no more than %1 characters.</source>
        <translation>Введите не более %1 символов.</translation>
    </message>
</context>
<context>
    <name>CFileDialog</name>
    <message>
        <source>%1 already exists.
Do you want to replace it?</source>
        <translation>%1 уже существует.
Заменить его?</translation>
    </message>
    <message>
        <source>Save As</source>
        <translation>Сохранить как</translation>
    </message>
</context>
<context>
    <name>CMuxDlg</name>
    <message>
        <source>Only one video stream allowed</source>
        <translation>Допускается только один видеопоток</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Ошибка</translation>
    </message>
    <message>
        <source>More than 9 streams are ticked; with the helper stream a merge holds at most 9</source>
        <translation>Отмечено больше 9 потоков; со вспомогательным потоком объединение вмещает не больше 9</translation>
    </message>
    <message>
        <source>More than 10 streams are ticked; a merge holds at most 10</source>
        <translation>Отмечено больше 10 потоков; объединение вмещает не больше 10</translation>
    </message>
    <message>
        <source>The merge could not be started</source>
        <translation>Не удалось начать объединение</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Предупреждение</translation>
    </message>
    <message>
        <source>Invalid RM file or no usable streams</source>
        <translation>Недопустимый файл RM или нет пригодных потоков</translation>
    </message>
    <message>
        <source>No more than 10 files can be added</source>
        <translation>Можно добавить не больше 10 файлов</translation>
    </message>
    <message>
        <source>The file has more than 10 usable streams, more than a merge can hold</source>
        <translation>В файле больше 10 пригодных потоков — больше, чем вмещает объединение</translation>
    </message>
    <message>
        <source>The file has a usable stream numbered above 9, which a merge cannot hold</source>
        <translation>В файле есть пригодный поток с номером больше 9, который объединение не может вместить</translation>
    </message>
    <message>
        <source>The file has a stream with more than 2048 bytes of codec data, which a merge cannot carry</source>
        <translation>В файле есть поток с данными кодека больше 2048 байт, которые объединение не может перенести</translation>
    </message>
    <message>
        <source>Only files can be removed</source>
        <translation>Убрать из списка можно только файлы</translation>
    </message>
    <message>
        <source>Video streams can not be renamed</source>
        <translation>Видеопотоки нельзя переименовать</translation>
    </message>
    <message>
        <source>Title: %1</source>
        <translation>Название: %1</translation>
    </message>
    <message>
        <source>Author: %1</source>
        <translation>Автор: %1</translation>
    </message>
    <message>
        <source>Duration: %1</source>
        <translation>Длительность: %1</translation>
    </message>
    <message>
        <source>Real media (*.rm,*.rmvb)|*.rm;*.rmvb||</source>
        <translation>Файлы RealMedia (*.rm,*.rmvb)|*.rm;*.rmvb||</translation>
    </message>
    <message>
        <source>The file cannot be opened: %1</source>
        <translation>Не удаётся открыть файл: %1</translation>
    </message>
    <message>
        <source>Tick the streams to append in at least two files</source>
        <translation>Отметьте потоки для присоединения по крайней мере в двух файлах</translation>
    </message>
    <message>
        <source>Append the Files Into</source>
        <translation>Сохранить присоединённые файлы как</translation>
    </message>
    <message>
        <source>Merge the Streams Into</source>
        <translation>Сохранить объединённые потоки как</translation>
    </message>
    <message>
        <source>The append could not be started</source>
        <translation>Не удалось начать присоединение</translation>
    </message>
    <message>
        <source>Append</source>
        <translation>Присоединить</translation>
    </message>
    <message>
        <source>Merge</source>
        <translation>Объединить</translation>
    </message>
    <message>
        <source>Start &quot;%1&quot; is not a time: give seconds (90.5) or [[hh:]mm:]ss[.mmm] (1:30, 0:01:30.250)</source>
        <translation>Начало «%1» не является временем: укажите секунды (90.5) или [[hh:]mm:]ss[.mmm] (1:30, 0:01:30.250)</translation>
    </message>
    <message>
        <source>End &quot;%1&quot; is not a time: give seconds (90.5) or [[hh:]mm:]ss[.mmm] (1:30, 0:01:30.250)</source>
        <translation>Конец «%1» не является временем: укажите секунды (90.5) или [[hh:]mm:]ss[.mmm] (1:30, 0:01:30.250)</translation>
    </message>
    <message>
        <source>End (%1) must come after Start (%2)</source>
        <translation>Конец (%1) должен быть позже начала (%2)</translation>
    </message>
    <message>
        <source>%1 (repaired).%2</source>
        <translation>%1 (восстановлен).%2</translation>
    </message>
    <message>
        <source>at byte %1, %2</source>
        <translation>в байте %1: %2</translation>
    </message>
    <message>
        <source>%1 is damaged: %2. Repair a copy?</source>
        <translation>%1 повреждён: %2. Восстановить копию?</translation>
    </message>
    <message>
        <source>Damaged file</source>
        <translation>Повреждённый файл</translation>
    </message>
    <message>
        <source>Save the Repaired Copy As</source>
        <translation>Сохранить восстановленную копию как</translation>
    </message>
    <message>
        <source>The repair could not be started</source>
        <translation>Не удалось начать восстановление</translation>
    </message>
    <message>
        <source>The output holds the media %1</source>
        <translation>Выходной файл содержит медиаданные %1</translation>
    </message>
    <message>
        <source>The output was written: %1</source>
        <translation>Выходной файл записан: %1</translation>
    </message>
    <message>
        <source>Generated By: %1</source>
        <translation>Создано программой: %1</translation>
    </message>
    <message>
        <source>Creation Date: %1</source>
        <translation>Дата создания: %1</translation>
    </message>
    <message>
        <source>%1 (trimmed).%2</source>
        <translation>%1 (обрезано).%2</translation>
    </message>
    <message>
        <source>%1 (merged).%2</source>
        <translation>%1 (объединено).%2</translation>
    </message>
    <message>
        <source>Tick at least one stream to merge</source>
        <translation>Отметьте хотя бы один поток для объединения</translation>
    </message>
    <message>
        <source>Appending into %1</source>
        <translation>Присоединение в %1</translation>
    </message>
    <message>
        <source>Merging into %1</source>
        <translation>Объединение в %1</translation>
    </message>
    <message>
        <source>Repairing into %1</source>
        <translation>Восстановление в %1</translation>
    </message>
    <message>
        <source>%1 was repaired into %2: %3

Show the whole report?</source>
        <translation>%1 восстановлен в %2: %3

Показать весь отчёт?</translation>
    </message>
    <message>
        <source>Repaired</source>
        <translation>Восстановлено</translation>
    </message>
    <message>
        <source>Repair report</source>
        <translation>Отчёт о восстановлении</translation>
    </message>
    <message>
        <source>no damage found; %1 packets copied</source>
        <translation>повреждений не найдено; скопировано пакетов: %1</translation>
    </message>
    <message>
        <source>%1 damaged regions passed over (%2 bytes); %3 packets recovered</source>
        <translation>пропущено повреждённых участков: %1 (%2 байт); восстановлено пакетов: %3</translation>
    </message>
    <message>
        <source>Bytes %1 to %2 (%3 bytes) passed over; streams that may have lost packets there: %4</source>
        <translation>Пропущены байты с %1 по %2 (%3 байт); потоки, которые могли потерять там пакеты: %4</translation>
    </message>
    <message>
        <source>none</source>
        <translation>нет</translation>
    </message>
    <message>
        <source>Stream %1: %2 packets recovered, %3 index records built</source>
        <translation>Поток %1: восстановлено пакетов: %2, построено записей индекса: %3</translation>
    </message>
    <message>
        <source>No more than 10 files can be added; not added: %1</source>
        <translation>Можно добавить не более 10 файлов; не добавлены: %1</translation>
    </message>
    <message>
        <source>%1 cannot be added: %2</source>
        <translation>Не удаётся добавить %1: %2</translation>
    </message>
    <message>
        <source>Type: %1</source>
        <translation>Тип: %1</translation>
    </message>
    <message>
        <source>Copyright: %1</source>
        <translation>Авторские права: %1</translation>
    </message>
    <message>
        <source>Repaired: %1</source>
        <translation>Восстановлено: %1</translation>
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
        <translation>Сверн&amp;уть</translation>
    </message>
    <message>
        <source>&amp;Close	Alt+F4</source>
        <translation>&amp;Закрыть	Alt+F4</translation>
    </message>
</context>
<context>
    <name>Resources</name>
    <message>
        <source>About Kestrova</source>
        <translation>О программе Kestrova</translation>
    </message>
    <message>
        <source>Kestrova Version %1</source>
        <translation>Kestrova, версия %1</translation>
    </message>
    <message>
        <source>Merges streams of RealMedia files</source>
        <translation>Объединяет потоки файлов RealMedia</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>ОК</translation>
    </message>
    <message>
        <source>Real Media muxer</source>
        <translation>Мультиплексор RealMedia</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
    <message>
        <source>Rename</source>
        <translation>Переименовать</translation>
    </message>
    <message>
        <source>Add plugin</source>
        <translation>Добавить плагин</translation>
    </message>
    <message>
        <source>Note:Stream name is limited to 12 characters</source>
        <translation>Примечание: имя потока — не более 12 символов</translation>
    </message>
    <message>
        <source>Stream name:</source>
        <translation>Имя потока:</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Ход выполнения</translation>
    </message>
    <message>
        <source>&amp;About Kestrova...</source>
        <translation>&amp;О программе Kestrova...</translation>
    </message>
    <message>
        <source>A&amp;ppend</source>
        <translation>&amp;Присоединить</translation>
    </message>
    <message>
        <source>&amp;Start:</source>
        <translation>&amp;Начало:</translation>
    </message>
    <message>
        <source>&amp;End:</source>
        <translation>&amp;Конец:</translation>
    </message>
    <message>
        <source>empty: whole file</source>
        <translation>пусто: весь файл</translation>
    </message>
    <message>
        <source>&amp;Merge</source>
        <translation>&amp;Объединить</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>От&amp;мена</translation>
    </message>
    <message>
        <source>&amp;Add</source>
        <translation>&amp;Добавить</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>&amp;Убрать</translation>
    </message>
    <message>
        <source>Re&amp;name</source>
        <translation>П&amp;ереименовать</translation>
    </message>
</context>
</TS>
