<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>CDialog</name>
    <message>
        <source>Please enter no more than %1 characters.</source>
        <translation>Bitte geben Sie höchstens %1 Zeichen ein.</translation>
    </message>
</context>
<context>
    <name>CFileDialog</name>
    <message>
        <source>%1 already exists.
Do you want to replace it?</source>
        <translation>%1 existiert bereits.
Möchten Sie die Datei ersetzen?</translation>
    </message>
    <message>
        <source>Save As</source>
        <translation>Speichern unter</translation>
    </message>
</context>
<context>
    <name>CMuxDlg</name>
    <message>
        <source>Only one video stream allowed</source>
        <translation>Nur ein Videostream ist erlaubt</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>More than 9 streams are ticked; with the helper stream a merge holds at most 9</source>
        <translation>Mehr als 9 Streams sind angekreuzt; mit dem Hilfsstream fasst eine Zusammenführung höchstens 9</translation>
    </message>
    <message>
        <source>More than 10 streams are ticked; a merge holds at most 10</source>
        <translation>Mehr als 10 Streams sind angekreuzt; eine Zusammenführung fasst höchstens 10</translation>
    </message>
    <message>
        <source>The merge could not be started</source>
        <translation>Das Zusammenführen konnte nicht gestartet werden</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Warnung</translation>
    </message>
    <message>
        <source>Invalid RM file or no usable streams</source>
        <translation>Ungültige RM-Datei oder keine verwendbaren Streams</translation>
    </message>
    <message>
        <source>No more than 10 files can be added</source>
        <translation>Es können höchstens 10 Dateien hinzugefügt werden</translation>
    </message>
    <message>
        <source>The file has more than 10 usable streams, more than a merge can hold</source>
        <translation>Die Datei hat mehr als 10 verwendbare Streams, mehr als eine Zusammenführung fassen kann</translation>
    </message>
    <message>
        <source>The file has a usable stream numbered above 9, which a merge cannot hold</source>
        <translation>Die Datei hat einen verwendbaren Stream mit einer Nummer über 9, den eine Zusammenführung nicht fassen kann</translation>
    </message>
    <message>
        <source>The file has a stream with more than 2048 bytes of codec data, which a merge cannot carry</source>
        <translation>Die Datei hat einen Stream mit mehr als 2048 Byte Codec-Daten, die eine Zusammenführung nicht übernehmen kann</translation>
    </message>
    <message>
        <source>Only files can be removed</source>
        <translation>Nur Dateien können entfernt werden</translation>
    </message>
    <message>
        <source>Video streams can not be renamed</source>
        <translation>Videostreams können nicht umbenannt werden</translation>
    </message>
    <message>
        <source>Title: %1</source>
        <translation>Titel: %1</translation>
    </message>
    <message>
        <source>Author: %1</source>
        <translation>Autor: %1</translation>
    </message>
    <message>
        <source>Duration: %1</source>
        <translation>Dauer: %1</translation>
    </message>
    <message>
        <source>Real media (*.rm,*.rmvb)|*.rm;*.rmvb||</source>
        <translation>RealMedia-Dateien (*.rm,*.rmvb)|*.rm;*.rmvb||</translation>
    </message>
    <message>
        <source>The file cannot be opened: %1</source>
        <translation>Die Datei kann nicht geöffnet werden: %1</translation>
    </message>
    <message>
        <source>Tick the streams to append in at least two files</source>
        <translation>Haken Sie die anzuhängenden Streams in mindestens zwei Dateien an</translation>
    </message>
    <message>
        <source>Append the Files Into</source>
        <translation>Aneinandergehängte Dateien speichern unter</translation>
    </message>
    <message>
        <source>Merge the Streams Into</source>
        <translation>Zusammengeführte Streams speichern unter</translation>
    </message>
    <message>
        <source>The append could not be started</source>
        <translation>Das Anhängen konnte nicht gestartet werden</translation>
    </message>
    <message>
        <source>Append</source>
        <translation>Anhängen</translation>
    </message>
    <message>
        <source>Merge</source>
        <translation>Zusammenführen</translation>
    </message>
    <message>
        <source>Start &quot;%1&quot; is not a time: give seconds (90.5) or [[hh:]mm:]ss[.mmm] (1:30, 0:01:30.250)</source>
        <translation>Anfang „%1“ ist keine Zeit: Geben Sie Sekunden (90.5) oder [[hh:]mm:]ss[.mmm] (1:30, 0:01:30.250) an</translation>
    </message>
    <message>
        <source>End &quot;%1&quot; is not a time: give seconds (90.5) or [[hh:]mm:]ss[.mmm] (1:30, 0:01:30.250)</source>
        <translation>Ende „%1“ ist keine Zeit: Geben Sie Sekunden (90.5) oder [[hh:]mm:]ss[.mmm] (1:30, 0:01:30.250) an</translation>
    </message>
    <message>
        <source>End (%1) must come after Start (%2)</source>
        <translation>Ende (%1) muss nach dem Anfang (%2) liegen</translation>
    </message>
    <message>
        <source>%1 (repaired).%2</source>
        <translation>%1 (repariert).%2</translation>
    </message>
    <message>
        <source>at byte %1, %2</source>
        <translation>bei Byte %1: %2</translation>
    </message>
    <message>
        <source>%1 is damaged: %2. Repair a copy?</source>
        <translation>%1 ist beschädigt: %2. Eine Kopie reparieren?</translation>
    </message>
    <message>
        <source>Damaged file</source>
        <translation>Beschädigte Datei</translation>
    </message>
    <message>
        <source>Save the Repaired Copy As</source>
        <translation>Reparierte Kopie speichern unter</translation>
    </message>
    <message>
        <source>The repair could not be started</source>
        <translation>Die Reparatur konnte nicht gestartet werden</translation>
    </message>
    <message>
        <source>The output holds the media %1</source>
        <translation>Die Ausgabe enthält die Medien %1</translation>
    </message>
    <message>
        <source>The output was written: %1</source>
        <translation>Die Ausgabe wurde geschrieben: %1</translation>
    </message>
    <message>
        <source>Generated By: %1</source>
        <translation>Erstellt mit: %1</translation>
    </message>
    <message>
        <source>Creation Date: %1</source>
        <translation>Erstellungsdatum: %1</translation>
    </message>
    <message>
        <source>%1 (trimmed).%2</source>
        <translation>%1 (gekürzt).%2</translation>
    </message>
    <message>
        <source>%1 (merged).%2</source>
        <translation>%1 (zusammengeführt).%2</translation>
    </message>
    <message>
        <source>Tick at least one stream to merge</source>
        <translation>Haken Sie mindestens einen Stream zum Zusammenführen an</translation>
    </message>
    <message>
        <source>Appending into %1</source>
        <translation>Anhängen in %1</translation>
    </message>
    <message>
        <source>Merging into %1</source>
        <translation>Zusammenführen in %1</translation>
    </message>
    <message>
        <source>Repairing into %1</source>
        <translation>Reparieren in %1</translation>
    </message>
    <message>
        <source>%1 was repaired into %2: %3

Show the whole report?</source>
        <translation>%1 wurde in %2 repariert: %3

Den ganzen Bericht zeigen?</translation>
    </message>
    <message>
        <source>Repaired</source>
        <translation>Repariert</translation>
    </message>
    <message>
        <source>Repair report</source>
        <translation>Reparaturbericht</translation>
    </message>
    <message>
        <source>no damage found; %1 packets copied</source>
        <translation>keine Beschädigung gefunden; %1 Pakete kopiert</translation>
    </message>
    <message>
        <source>%1 damaged regions passed over (%2 bytes); %3 packets recovered</source>
        <translation>%1 beschädigte Bereiche übersprungen (%2 Bytes); %3 Pakete gerettet</translation>
    </message>
    <message>
        <source>Bytes %1 to %2 (%3 bytes) passed over; streams that may have lost packets there: %4</source>
        <translation>Bytes %1 bis %2 (%3 Bytes) übersprungen; Streams, die dort Pakete verloren haben können: %4</translation>
    </message>
    <message>
        <source>none</source>
        <translation>keine</translation>
    </message>
    <message>
        <source>Stream %1: %2 packets recovered, %3 index records built</source>
        <translation>Stream %1: %2 Pakete gerettet, %3 Indexeinträge erstellt</translation>
    </message>
    <message>
        <source>No more than 10 files can be added; not added: %1</source>
        <translation>Es können höchstens 10 Dateien hinzugefügt werden; nicht hinzugefügt: %1</translation>
    </message>
    <message>
        <source>%1 cannot be added: %2</source>
        <translation>%1 kann nicht hinzugefügt werden: %2</translation>
    </message>
    <message>
        <source>Type: %1</source>
        <translation>Typ: %1</translation>
    </message>
    <message>
        <source>Copyright: %1</source>
        <translation>Copyright: %1</translation>
    </message>
    <message>
        <source>Repaired: %1</source>
        <translation>Repariert: %1</translation>
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
        <translation>&amp;Minimieren</translation>
    </message>
    <message>
        <source>&amp;Close	Alt+F4</source>
        <translation>&amp;Schließen	Alt+F4</translation>
    </message>
</context>
<context>
    <name>Resources</name>
    <message>
        <source>About Kestrova</source>
        <translation>Über Kestrova</translation>
    </message>
    <message>
        <source>Kestrova Version %1</source>
        <translation>Kestrova Version %1</translation>
    </message>
    <message>
        <source>Merges streams of RealMedia files</source>
        <translation>Führt Streams von RealMedia-Dateien zusammen</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Real Media muxer</source>
        <translation>RealMedia-Muxer</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Rename</source>
        <translation>Umbenennen</translation>
    </message>
    <message>
        <source>Add plugin</source>
        <translation>Plugin hinzufügen</translation>
    </message>
    <message>
        <source>Note:Stream name is limited to 12 characters</source>
        <translation>Hinweis: Der Streamname ist auf 12 Zeichen begrenzt</translation>
    </message>
    <message>
        <source>Stream name:</source>
        <translation>Streamname:</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Fortschritt</translation>
    </message>
    <message>
        <source>&amp;About Kestrova...</source>
        <translation>&amp;Über Kestrova...</translation>
    </message>
    <message>
        <source>A&amp;ppend</source>
        <translation>&amp;Anhängen</translation>
    </message>
    <message>
        <source>&amp;Start:</source>
        <translation>A&amp;nfang:</translation>
    </message>
    <message>
        <source>&amp;End:</source>
        <translation>&amp;Ende:</translation>
    </message>
    <message>
        <source>empty: whole file</source>
        <translation>leer: ganze Datei</translation>
    </message>
    <message>
        <source>&amp;Merge</source>
        <translation>&amp;Zusammenführen</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>Abb&amp;rechen</translation>
    </message>
    <message>
        <source>&amp;Add</source>
        <translation>&amp;Hinzufügen</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>Ent&amp;fernen</translation>
    </message>
    <message>
        <source>Re&amp;name</source>
        <translation>&amp;Umbenennen</translation>
    </message>
</context>
</TS>
