<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>BoardWords</name>
    <message>
        <location filename="../board/board_words.cpp" line="22"/>
        <source>The greeting was too long (no line end within %1 bytes); the rest was thrown away.</source>
        <translation>Die Begrüßung war zu lang (kein Zeilenende innerhalb von %1 Bytes); der Rest wurde verworfen.</translation>
    </message>
    <message>
        <location filename="../board/board_words.cpp" line="23"/>
        <source>The answer was too long (no line end within %1 bytes); the rest was thrown away.</source>
        <translation>Die Antwort war zu lang (kein Zeilenende innerhalb von %1 Bytes); der Rest wurde verworfen.</translation>
    </message>
    <message>
        <location filename="../board/board_words.cpp" line="29"/>
        <source>The serial link failed: %1</source>
        <translation>Die serielle Verbindung ist ausgefallen: %1</translation>
    </message>
    <message>
        <location filename="../board/board_words.cpp" line="34"/>
        <source>Waiting for the board to fall quiet before the next question.</source>
        <translation>Vor der nächsten Frage wird gewartet, bis die Platine verstummt.</translation>
    </message>
    <message>
        <location filename="../board/board_words.cpp" line="39"/>
        <source>%1 requests already wait for the board: clicks are not taken until it has answered some of them.</source>
        <translation>%1 Anfragen warten bereits auf die Platine: Klicks werden erst wieder angenommen, wenn sie einige davon beantwortet hat.</translation>
    </message>
    <message>
        <location filename="../board/board_words.cpp" line="95"/>
        <source>Sent nothing: the days differ, and this board keeps one day only. daywheel-ctl flash writes the firmware that keeps a week.</source>
        <translation>Nichts gesendet: Die Tage unterscheiden sich, und diese Platine behält nur einen Tag. daywheel-ctl flash schreibt die Firmware, die eine Woche behält.</translation>
    </message>
    <message>
        <location filename="../board/board_words.cpp" line="100"/>
        <source>This board does not know the dark, the place or away: it got the program alone. daywheel-ctl flash writes the firmware that knows them.</source>
        <translation>Diese Platine kennt weder die Dunkelheit noch den Ort noch die Abwesenheit: Sie hat nur das Programm bekommen. daywheel-ctl flash schreibt die Firmware, die sie kennt.</translation>
    </message>
    <message>
        <location filename="../board/board_words.cpp" line="106"/>
        <source>The board held no place: gave it %1.</source>
        <translation>Die Platine kannte keinen Ort: Ihr wurde %1 gegeben.</translation>
    </message>
    <message>
        <location filename="../board/board_words.cpp" line="107"/>
        <source>The board said its time was not set: sent the time, %1.</source>
        <translation>Die Platine meldete, ihre Uhrzeit sei nicht gestellt: Uhrzeit gesendet, %1.</translation>
    </message>
    <message>
        <location filename="../board/board_words.cpp" line="114"/>
        <source>The board did not answer.</source>
        <translation>Die Platine hat nicht geantwortet.</translation>
    </message>
    <message>
        <location filename="../board/board_words.cpp" line="116"/>
        <source>Could not read from the board: %1</source>
        <translation>Lesen von der Platine fehlgeschlagen: %1</translation>
    </message>
    <message>
        <location filename="../board/board_words.cpp" line="117"/>
        <source>Could not send to the board: %1</source>
        <translation>Senden an die Platine fehlgeschlagen: %1</translation>
    </message>
    <message>
        <location filename="../board/board_words.cpp" line="45"/>
        <source>The board started again: %1</source>
        <translation>Die Platine ist neu gestartet: %1</translation>
    </message>
    <message>
        <location filename="../board/board_words.cpp" line="50"/>
        <source>The board refused a line it was sent (its words above) and keeps what it held before.</source>
        <translation>Die Platine hat eine gesendete Zeile abgelehnt (ihre Worte stehen darüber) und behält, was sie vorher hatte.</translation>
    </message>
    <message>
        <location filename="../board/board_words.cpp" line="59"/>
        <source>%1 s</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <location filename="../board/board_words.cpp" line="61"/>
        <source>%1 min %2 s</source>
        <translation>%1 min %2 s</translation>
    </message>
    <message>
        <location filename="../board/board_words.cpp" line="62"/>
        <source>%1 h %2 min %3 s</source>
        <translation>%1 h %2 min %3 s</translation>
    </message>
    <message>
        <location filename="../board/board_words.cpp" line="67"/>
        <source>The board&apos;s clock was %1 off and knew no coming change of summer time: set it.</source>
        <translation>Die Uhr der Platine ging %1 falsch und kannte keine kommende Sommerzeitumstellung: Sie wird gestellt.</translation>
    </message>
    <message>
        <location filename="../board/board_words.cpp" line="68"/>
        <source>The board&apos;s clock was %1 off: set it.</source>
        <translation>Die Uhr der Platine ging %1 falsch: Sie wird gestellt.</translation>
    </message>
    <message>
        <location filename="../board/board_words.cpp" line="74"/>
        <source>Sent the time, %1.</source>
        <translation>Die Zeit gesendet, %1.</translation>
    </message>
    <message>
        <location filename="../board/board_words.cpp" line="80"/>
        <source>Sent the day.</source>
        <translation>Den Tag gesendet.</translation>
    </message>
    <message>
        <location filename="../board/board_words.cpp" line="80"/>
        <source>Sent the week.</source>
        <translation>Die Woche gesendet.</translation>
    </message>
    <message>
        <location filename="../board/board_words.cpp" line="83"/>
        <source>Sent the week; 1 quarter hour held a value other than 0 or 1 and went as off, as the dial shows it.</source>
        <translation>Die Woche gesendet; 1 Viertelstunde hatte einen anderen Wert als 0 oder 1 und ging als aus, wie das Zifferblatt sie zeigt.</translation>
    </message>
    <message>
        <location filename="../board/board_words.cpp" line="85"/>
        <source>Sent the week; %1 quarter hours held a value other than 0 or 1 and went as off, as the dial shows them.</source>
        <translation>Die Woche gesendet; %1 Viertelstunden hatten einen anderen Wert als 0 oder 1 und gingen als aus, wie das Zifferblatt sie zeigt.</translation>
    </message>
    <message>
        <location filename="../board/board_words.cpp" line="88"/>
        <source>Sent the day; 1 quarter hour held a value other than 0 or 1 and went as off, as the dial shows it.</source>
        <translation>Den Tag gesendet; eine Viertelstunde hatte einen anderen Wert als 0 oder 1 und ging als aus, wie das Zifferblatt sie zeigt.</translation>
    </message>
    <message>
        <location filename="../board/board_words.cpp" line="89"/>
        <source>Sent the day; %1 quarter hours held a value other than 0 or 1 and went as off, as the dial shows them.</source>
        <translation>Den Tag gesendet; %1 Viertelstunden hatten einen anderen Wert als 0 oder 1 und gingen als aus, wie das Zifferblatt sie zeigt.</translation>
    </message>
</context>
<context>
    <name>ControllerWindow</name>
    <message>
        <location filename="../ui/controller_window.ui" line="16"/>
        <source>Send/Recieve Wifi/Serial Com</source>
        <translation>Senden/Empfangen WLAN/Seriell</translation>
    </message>
    <message>
        <location filename="../ui/controller_window.ui" line="41"/>
        <source>Send Time</source>
        <translation>Zeit senden</translation>
    </message>
    <message>
        <location filename="../ui/controller_window.ui" line="54"/>
        <source>Send Program</source>
        <translation>Programm senden</translation>
    </message>
    <message>
        <location filename="../ui/controller_window.ui" line="67"/>
        <source>Get part a</source>
        <translation>Teil a holen</translation>
    </message>
    <message>
        <location filename="../ui/controller_window.ui" line="80"/>
        <source>Get Time</source>
        <translation>Zeit holen</translation>
    </message>
    <message>
        <location filename="../ui/controller_window.ui" line="93"/>
        <source>Status?</source>
        <translation>Status?</translation>
    </message>
    <message>
        <location filename="../ui/controller_window.ui" line="106"/>
        <source>Get part b</source>
        <translation>Teil b holen</translation>
    </message>
    <message>
        <location filename="../ui/controller_window.ui" line="119"/>
        <location filename="../ui/controller_window.ui" line="124"/>
        <source>Light pattern, part a</source>
        <translation>Lichtmuster, Teil a</translation>
    </message>
    <message>
        <location filename="../ui/controller_window.ui" line="137"/>
        <location filename="../ui/controller_window.ui" line="158"/>
        <source>Light pattern, part b</source>
        <translation>Lichtmuster, Teil b</translation>
    </message>
    <message>
        <location filename="../ui/controller_window.ui" line="163"/>
        <location filename="../ui/controller_window.ui" line="196"/>
        <source>Incoming code from arduino</source>
        <translation>Eingehender Code vom Arduino</translation>
    </message>
</context>
<context>
    <name>DarkAwayDialog</name>
    <message>
        <location filename="../ui/dark_away_dialog.ui"/>
        <source>Dark and away</source>
        <translation>Dunkel und abwesend</translation>
    </message>
    <message>
        <location filename="../ui/dark_away_dialog.ui"/>
        <source>Only while it is &amp;dark</source>
        <translation>Nur solange es &amp;dunkel ist</translation>
    </message>
    <message>
        <location filename="../ui/dark_away_dialog.ui"/>
        <source>&amp;Twilight:</source>
        <translation>Dä&amp;mmerung:</translation>
    </message>
    <message>
        <location filename="../ui/dark_away_dialog.ui"/>
        <source>twilight</source>
        <translation>Dämmerung</translation>
    </message>
    <message>
        <location filename="../ui/dark_away_dialog.ui"/>
        <source>sunset</source>
        <translation>Sonnenuntergang</translation>
    </message>
    <message>
        <location filename="../ui/dark_away_dialog.ui"/>
        <source>civil twilight</source>
        <translation>bürgerliche Dämmerung</translation>
    </message>
    <message>
        <location filename="../ui/dark_away_dialog.ui"/>
        <source>D&amp;usk moved by:</source>
        <translation>Abe&amp;nd verschoben um:</translation>
    </message>
    <message>
        <location filename="../ui/dark_away_dialog.ui"/>
        <source>dusk moved by minutes</source>
        <translation>Abend verschoben um Minuten</translation>
    </message>
    <message>
        <location filename="../ui/dark_away_dialog.ui"/>
        <source> min</source>
        <translation> min</translation>
    </message>
    <message>
        <location filename="../ui/dark_away_dialog.ui"/>
        <source>Da&amp;wn moved by:</source>
        <translation>Mo&amp;rgen verschoben um:</translation>
    </message>
    <message>
        <location filename="../ui/dark_away_dialog.ui"/>
        <source>dawn moved by minutes</source>
        <translation>Morgen verschoben um Minuten</translation>
    </message>
    <message>
        <location filename="../ui/dark_away_dialog.ui"/>
        <source>Place</source>
        <translation>Ort</translation>
    </message>
    <message>
        <location filename="../ui/dark_away_dialog.ui"/>
        <source>&amp;Latitude (north +, south −):</source>
        <translation>&amp;Breite (Nord +, Süd −):</translation>
    </message>
    <message>
        <location filename="../ui/dark_away_dialog.ui"/>
        <source>latitude in degrees, north positive</source>
        <translation>Breite in Grad, Nord positiv</translation>
    </message>
    <message>
        <location filename="../ui/dark_away_dialog.ui"/>
        <source>Lo&amp;ngitude (east +, west −):</source>
        <translation>&amp;Länge (Ost +, West −):</translation>
    </message>
    <message>
        <location filename="../ui/dark_away_dialog.ui"/>
        <source>longitude in degrees, east positive</source>
        <translation>Länge in Grad, Ost positiv</translation>
    </message>
    <message>
        <location filename="../ui/dark_away_dialog.ui"/>
        <source>The whole week</source>
        <translation>Die ganze Woche</translation>
    </message>
    <message>
        <location filename="../ui/dark_away_dialog.ui"/>
        <source>&amp;Away: every edge of the program moves each day</source>
        <translation>Ab&amp;wesend: jeder Schaltpunkt des Programms verschiebt sich täglich</translation>
    </message>
    <message>
        <location filename="../ui/dark_away_dialog.ui"/>
        <source>&amp;By up to:</source>
        <translation>&amp;Um bis zu:</translation>
    </message>
    <message>
        <location filename="../ui/dark_away_dialog.ui"/>
        <source>away moves the edges by up to minutes</source>
        <translation>abwesend verschiebt die Schaltpunkte um bis zu Minuten</translation>
    </message>
    <message>
        <location filename="../ui/dark_away_dialog.ui"/>
        <source>Only &amp;from a first to a last day</source>
        <translation>Nur &amp;vom ersten bis zum letzten Tag</translation>
    </message>
    <message>
        <location filename="../ui/dark_away_dialog.ui"/>
        <source>F&amp;irst day:</source>
        <translation>&amp;Erster Tag:</translation>
    </message>
    <message>
        <location filename="../ui/dark_away_dialog.ui"/>
        <source>first day away</source>
        <translation>erster Tag abwesend</translation>
    </message>
    <message>
        <location filename="../ui/dark_away_dialog.ui"/>
        <source>La&amp;st day:</source>
        <translation>Le&amp;tzter Tag:</translation>
    </message>
    <message>
        <location filename="../ui/dark_away_dialog.ui"/>
        <source>last day away</source>
        <translation>letzter Tag abwesend</translation>
    </message>
    <message>
        <location filename="../ui/dark_away_dialog.cpp"/>
        <source>every day</source>
        <translation>jeden Tag</translation>
    </message>
    <message>
        <location filename="../ui/dark_away_dialog.cpp"/>
        <source>The days chosen: %1</source>
        <translation>Die gewählten Tage: %1</translation>
    </message>
    <message>
        <location filename="../ui/dark_away_dialog.cpp"/>
        <source>The chosen days differ: shown is %1. A change here applies to them all.</source>
        <translation>Die gewählten Tage unterscheiden sich: gezeigt wird %1. Eine Änderung hier gilt für alle.</translation>
    </message>
    <message>
        <location filename="../ui/dark_away_dialog.cpp"/>
        <source>The place of your time zone (%1).</source>
        <translation>Der Ort Ihrer Zeitzone (%1).</translation>
    </message>
    <message>
        <location filename="../ui/dark_away_dialog.cpp"/>
        <source>No place is known for your time zone (%1). Without one the board follows the plain program on the dark days.</source>
        <translation>Für Ihre Zeitzone (%1) ist kein Ort bekannt. Ohne einen folgt die Platine an den dunklen Tagen dem einfachen Programm.</translation>
    </message>
</context>
<context>
    <name>DayChooser</name>
    <message>
        <location filename="../ui/day_chooser.cpp" line="105"/>
        <source>Click: edit these days. Shift+click: copy the day shown onto them.</source>
        <translation>Klick: diese Tage bearbeiten. Umschalt+Klick: den gezeigten Tag auf sie kopieren.</translation>
    </message>
    <message>
        <location filename="../ui/day_chooser.cpp" line="112"/>
        <source>Monday to Friday</source>
        <translation>Montag bis Freitag</translation>
    </message>
    <message>
        <location filename="../ui/day_chooser.cpp" line="114"/>
        <source>Saturday and Sunday</source>
        <translation>Samstag und Sonntag</translation>
    </message>
    <message>
        <location filename="../ui/day_chooser.cpp" line="115"/>
        <source>Every day</source>
        <translation>Jeden Tag</translation>
    </message>
</context>
<context>
    <name>DayRing</name>
    <message>
        <location filename="../ui/day_chooser.cpp" line="37"/>
        <source>Click: edit this day. Ctrl+click: add it or take it away. Shift+click: copy the day shown onto it.</source>
        <translation>Klick: diesen Tag bearbeiten. Strg+Klick: ihn hinzunehmen oder wegnehmen. Umschalt+Klick: den gezeigten Tag auf ihn kopieren.</translation>
    </message>
    <message>
        <location filename="../ui/day_chooser.cpp" line="45"/>
        <source>differs from the day shown</source>
        <translation>weicht vom gezeigten Tag ab</translation>
    </message>
</context>
<context>
    <name>DayWords</name>
    <message>
        <location filename="../schedule/day_words.cpp" line="36"/>
        <source>off all day</source>
        <translation>den ganzen Tag aus</translation>
    </message>
    <message>
        <location filename="../schedule/day_words.cpp" line="38"/>
        <source>on all day</source>
        <translation>den ganzen Tag an</translation>
    </message>
    <message>
        <location filename="../schedule/day_words.cpp" line="52"/>
        <source>on %1</source>
        <translation>an %1</translation>
    </message>
</context>
<context>
    <name>DialCaption</name>
    <message>
        <location filename="../dial/dial_surface.cpp" line="173"/>
        <source>dddd, MMMM dd, yyyy</source>
        <extracomment>A QDate format: dddd the weekday&apos;s name, MMMM the month&apos;s, dd the day, yyyy the year.</extracomment>
        <translation>dddd, d. MMMM yyyy</translation>
    </message>
    <message>
        <location filename="../dial/dial_surface.cpp" line="174"/>
        <source>Time: %1, %2</source>
        <translation>Zeit: %1, %2</translation>
    </message>
</context>
<context>
    <name>FileWindow</name>
    <message>
        <location filename="../ui/file_window.ui" line="40"/>
        <source>Files</source>
        <translation>Dateien</translation>
    </message>
    <message>
        <location filename="../ui/file_window.ui" line="53"/>
        <source>Drive</source>
        <translation>Laufwerk</translation>
    </message>
    <message>
        <location filename="../ui/file_window.ui" line="66"/>
        <source>Folders</source>
        <translation>Ordner</translation>
    </message>
    <message>
        <location filename="../ui/file_window.ui" line="96"/>
        <source>Choose directory, then enter name of file to save.  This program has no error handling so get it right the first time   :)</source>
        <translation>Ordner wählen, dann den Namen der Datei eingeben.  Dieses Programm hat keine Fehlerbehandlung, also gleich beim ersten Mal richtig machen   :)</translation>
    </message>
    <message>
        <location filename="../ui/file_window.ui" line="101"/>
        <source>File name</source>
        <translation>Dateiname</translation>
    </message>
    <message>
        <location filename="../ui/file_window.ui" line="125"/>
        <source>Save Times</source>
        <translation>Zeiten sichern</translation>
    </message>
    <message>
        <location filename="../ui/file_window.ui" line="147"/>
        <source>Select file first before pushing load button. Thank you :)</source>
        <translation>Erst eine Datei wählen, dann auf Laden drücken. Danke :)</translation>
    </message>
    <message>
        <location filename="../ui/file_window.ui" line="160"/>
        <source>Load Times</source>
        <translation>Zeiten laden</translation>
    </message>
    <message>
        <location filename="../ui/file_window.ui" line="179"/>
        <source>Path:</source>
        <translation>Pfad:</translation>
    </message>
    <message>
        <location filename="../ui/file_window.ui" line="214"/>
        <source>Name:</source>
        <translation>Name:</translation>
    </message>
    <message>
        <location filename="../ui/file_window.cpp" line="78"/>
        <source>The drive %1 cannot be read. The drive %2 stays selected.</source>
        <translation>Das Laufwerk %1 kann nicht gelesen werden. Das Laufwerk %2 bleibt ausgewählt.</translation>
    </message>
    <message>
        <location filename="../ui/file_window.cpp" line="99"/>
        <source>The folder %1 cannot be read.</source>
        <translation>Der Ordner %1 kann nicht gelesen werden.</translation>
    </message>
    <message>
        <location filename="../ui/file_window.cpp" line="119"/>
        <source>no file selected</source>
        <translation>keine Datei ausgewählt</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <location filename="../ui/main_window.ui" line="155"/>
        <location filename="../ui/main_window.ui" line="318"/>
        <source>BEGIN</source>
        <translation>VON</translation>
    </message>
    <message>
        <location filename="../ui/main_window.ui" line="171"/>
        <location filename="../ui/main_window.ui" line="343"/>
        <source>END</source>
        <translation>BIS</translation>
    </message>
    <message>
        <location filename="../ui/main_window.ui" line="205"/>
        <source>paint off</source>
        <translation>Malen: aus</translation>
    </message>
    <message>
        <location filename="../ui/main_window.ui" line="221"/>
        <source>paint on</source>
        <translation>Malen: an</translation>
    </message>
    <message>
        <location filename="../ui/main_window.ui" line="242"/>
        <source>Save</source>
        <translation>Sichern</translation>
    </message>
    <message>
        <location filename="../ui/main_window.ui" line="255"/>
        <source>Load</source>
        <translation>Laden</translation>
    </message>
    <message>
        <location filename="../ui/main_window.ui" line="268"/>
        <source>Send</source>
        <translation>Senden</translation>
    </message>
    <message>
        <location filename="../ui/main_window.ui" line="284"/>
        <source>Lock</source>
        <translation>Sperren</translation>
    </message>
    <message>
        <location filename="../ui/main_window.ui" line="297"/>
        <source>Clear All</source>
        <translation>Alles löschen</translation>
    </message>
    <message>
        <location filename="../ui/main_window.ui" line="310"/>
        <location filename="../ui/main_window.cpp" line="318"/>
        <source>SET</source>
        <translation>SETZEN</translation>
    </message>
    <message>
        <location filename="../ui/main_window.ui" line="368"/>
        <source>light on now</source>
        <translation>Licht jetzt an</translation>
    </message>
    <message>
        <location filename="../ui/main_window.ui" line="384"/>
        <source>light off now</source>
        <translation>Licht jetzt aus</translation>
    </message>
    <message>
        <location filename="../ui/main_window.cpp" line="310"/>
        <source>UNSET</source>
        <translation>LÖSCHEN</translation>
    </message>
    <message>
        <location filename="../ui/main_window.cpp" line="341"/>
        <source>un- lock</source>
        <translation>ent- sperren</translation>
    </message>
    <message>
        <location filename="../ui/main_window.cpp" line="341"/>
        <source>lock</source>
        <translation>sperren</translation>
    </message>
    <message>
        <location filename="../ui/main_window.ui"/>
        <source>&amp;Dark and away...</source>
        <translation>&amp;Dunkel, abwesend...</translation>
    </message>
    <message>
        <location filename="../ui/main_window.cpp"/>
        <source>Today: dark ignored, no place</source>
        <translation>Heute: Dunkelheit übergangen, kein Ort</translation>
    </message>
    <message>
        <location filename="../ui/main_window.cpp"/>
        <source>Today: %1</source>
        <translation>Heute: %1</translation>
    </message>
</context>
<context>
    <name>PortFailure</name>
    <message>
        <location filename="../board/port_failure.cpp" line="19"/>
        <source>Port %1 names no device.</source>
        <translation>Port %1 bezeichnet kein Gerät.</translation>
    </message>
    <message>
        <location filename="../board/port_failure.cpp" line="21"/>
        <source>Port %1</source>
        <translation>Port %1</translation>
    </message>
    <message>
        <location filename="../board/port_failure.cpp" line="22"/>
        <source>Port %1 (%2)</source>
        <translation>Port %1 (%2)</translation>
    </message>
    <message>
        <location filename="../board/port_failure.cpp" line="25"/>
        <source>%1: no such device.</source>
        <translation>%1: Gerät nicht vorhanden.</translation>
    </message>
    <message>
        <location filename="../board/port_failure.cpp" line="27"/>
        <source>%1 is busy: another program has it open.</source>
        <translation>%1 ist belegt: Ein anderes Programm hat ihn geöffnet.</translation>
    </message>
    <message>
        <location filename="../board/port_failure.cpp" line="30"/>
        <source>%1: permission denied.
On Debian and Ubuntu, join the dialout group, then log in again:
sudo usermod -aG dialout $USER</source>
        <translation>%1: Zugriff verweigert.
Unter Debian und Ubuntu der Gruppe dialout beitreten und neu anmelden:
sudo usermod -aG dialout $USER</translation>
    </message>
    <message>
        <location filename="../board/port_failure.cpp" line="36"/>
        <source>%1 opened, but no greeting came within %2: the board may not hold Daywheel&apos;s firmware (daywheel-ctl flash writes it).</source>
        <translation>%1 ist geöffnet, aber innerhalb von %2 kam keine Begrüßung: Vielleicht hat die Platine die Firmware von Daywheel nicht (daywheel-ctl flash schreibt sie).</translation>
    </message>
    <message>
        <location filename="../board/port_failure.cpp" line="44"/>
        <source>%1 failed.</source>
        <translation>%1 ist fehlgeschlagen.</translation>
    </message>
    <message>
        <location filename="../board/port_failure.cpp" line="45"/>
        <source>%1 failed: %2.</source>
        <translation>%1 ist fehlgeschlagen: %2.</translation>
    </message>
</context>
<context>
    <name>PortNames</name>
    <message>
        <location filename="../board/port_names.cpp" line="202"/>
        <source>No serial port is present.</source>
        <translation>Es ist kein serieller Port vorhanden.</translation>
    </message>
    <message>
        <location filename="../board/port_names.cpp" line="229"/>
        <source>Serial ports present:</source>
        <translation>Vorhandene serielle Ports:</translation>
    </message>
</context>
<context>
    <name>PortPrompt</name>
    <message>
        <location filename="../board/port_prompt.cpp" line="10"/>
        <source>com port is</source>
        <translation>COM-Port ist</translation>
    </message>
    <message>
        <location filename="../board/port_prompt.cpp" line="15"/>
        <source>enter com port #</source>
        <translation>COM-Port-Nummer eingeben</translation>
    </message>
</context>
<context>
    <name>ScheduleFile</name>
    <message>
        <location filename="../schedule_file/schedule_file.cpp" line="28"/>
        <source>The schedule could not be saved to &quot;%1&quot;: %2.</source>
        <translation>Der Zeitplan konnte nicht in „%1“ gespeichert werden: %2.</translation>
    </message>
    <message>
        <location filename="../schedule_file/schedule_file.cpp" line="36"/>
        <source>the file could not be written in full</source>
        <translation>die Datei konnte nicht vollständig geschrieben werden</translation>
    </message>
    <message>
        <location filename="../schedule_file/schedule_file.cpp" line="37"/>
        <source>the file could not be written in full (%1)</source>
        <translation>die Datei konnte nicht vollständig geschrieben werden (%1)</translation>
    </message>
    <message>
        <location filename="../schedule_file/schedule_file.cpp" line="59"/>
        <source>%1; its folder is read-only, so it was written in place, and its old content was put back</source>
        <translation>%1; ihr Ordner ist schreibgeschützt, daher wurde sie an Ort und Stelle geschrieben, und ihr alter Inhalt wurde wiederhergestellt</translation>
    </message>
    <message>
        <location filename="../schedule_file/schedule_file.cpp" line="62"/>
        <source>%1; its folder is read-only, so it was written in place, and it may now be incomplete</source>
        <translation>%1; ihr Ordner ist schreibgeschützt, daher wurde sie an Ort und Stelle geschrieben und ist jetzt womöglich unvollständig</translation>
    </message>
    <message>
        <location filename="../schedule_file/schedule_file.cpp" line="71"/>
        <source>it is a folder, not a file</source>
        <translation>das ist ein Ordner, keine Datei</translation>
    </message>
    <message>
        <location filename="../schedule_file/schedule_file.cpp" line="73"/>
        <source>it is a pipe, not a file</source>
        <translation>das ist eine Pipe, keine Datei</translation>
    </message>
    <message>
        <location filename="../schedule_file/schedule_file.cpp" line="75"/>
        <source>it is a device, not a file</source>
        <translation>das ist ein Gerät, keine Datei</translation>
    </message>
    <message>
        <location filename="../schedule_file/schedule_file.cpp" line="76"/>
        <location filename="../schedule_file/schedule_file.cpp" line="116"/>
        <source>it is not a regular file</source>
        <translation>das ist keine gewöhnliche Datei</translation>
    </message>
    <message>
        <location filename="../schedule_file/schedule_file.cpp" line="130"/>
        <source>The schedule could not be loaded from &quot;%1&quot;: %2.</source>
        <translation>Der Zeitplan konnte nicht aus „%1“ geladen werden: %2.</translation>
    </message>
    <message>
        <location filename="../schedule_file/schedule_file.cpp" line="150"/>
        <source>no file name was given</source>
        <translation>es wurde kein Dateiname angegeben</translation>
    </message>
    <message>
        <location filename="../schedule_file/schedule_file.cpp" line="153"/>
        <source>the folder %1 does not exist</source>
        <translation>der Ordner %1 existiert nicht</translation>
    </message>
    <message>
        <location filename="../schedule_file/schedule_file.cpp" line="197"/>
        <source>it holds more than %1 MiB, far more than any schedule</source>
        <translation>sie enthält mehr als %1 MiB, weit mehr als jeder Zeitplan</translation>
    </message>
    <message>
        <location filename="../schedule_file/schedule_reader.cpp" line="63"/>
        <source>the file holds no values; %1 are needed</source>
        <translation>die Datei enthält keine Werte; %1 werden gebraucht</translation>
    </message>
    <message>
        <location filename="../schedule_file/schedule_reader.cpp" line="64"/>
        <source>the file ends after %1 values; %2 are needed</source>
        <translation>die Datei endet nach %1 Werten; %2 werden gebraucht</translation>
    </message>
    <message>
        <location filename="../schedule_file/schedule_reader.cpp" line="114"/>
        <source>the value on line %1 is too long to be a number of the schedule</source>
        <translation>der Wert in Zeile %1 ist zu lang für eine Zahl des Zeitplans</translation>
    </message>
    <message>
        <location filename="../schedule_file/schedule_reader.cpp" line="133"/>
        <source>line %1 holds &quot;%2&quot;, which is not a number</source>
        <translation>Zeile %1 enthält „%2“, und das ist keine Zahl</translation>
    </message>
    <message>
        <location filename="../schedule_file/schedule_reader.cpp" line="137"/>
        <source>line %1 holds something other than numbers (control bytes, binary data or text that is not plain ASCII)</source>
        <translation>Zeile %1 enthält etwas anderes als Zahlen (Steuerbytes, Binärdaten oder Text, der kein reines ASCII ist)</translation>
    </message>
    <message>
        <location filename="../schedule_file/schedule_reader.cpp" line="157"/>
        <source>the value %1 on line %2 lies outside -32768..32767</source>
        <translation>der Wert %1 in Zeile %2 liegt außerhalb von -32768..32767</translation>
    </message>
    <message>
        <location filename="../schedule_file/schedule_reader.cpp" line="181"/>
        <source>line %1 holds a %2th value; a schedule has %3</source>
        <translation>Zeile %1 enthält einen %2. Wert; ein Zeitplan hat %3</translation>
    </message>
    <message>
        <location filename="../schedule_file/schedule_reader.cpp" line="175"/>
        <source>line %1 holds %2 values: a decimal comma? A schedule has one value per line, %3 in all</source>
        <translation>Zeile %1 enthält %2 Werte: ein Dezimalkomma? Ein Zeitplan hat einen Wert pro Zeile, %3 insgesamt</translation>
    </message>
    <message>
        <source>the file is empty; a week file begins with the line &quot;%1&quot;</source>
        <translation>die Datei ist leer; eine Wochendatei beginnt mit der Zeile „%1“</translation>
    </message>
    <message>
        <source>the file ends after its first line; a week file holds seven days, Mon to Sun</source>
        <translation>die Datei endet nach ihrer ersten Zeile; eine Wochendatei enthält sieben Tage, Mon bis Sun</translation>
    </message>
    <message>
        <source>the file ends after the line for %1; a week file holds seven days, Mon to Sun</source>
        <translation>die Datei endet nach der Zeile für %1; eine Wochendatei enthält sieben Tage, Mon bis Sun</translation>
    </message>
    <message>
        <source>line %1 holds something other than plain ASCII text (control bytes, binary data or another encoding)</source>
        <translation>Zeile %1 enthält etwas anderes als reinen ASCII-Text (Steuerbytes, Binärdaten oder eine andere Kodierung)</translation>
    </message>
    <message>
        <source>line %1 is longer than any line of a week file</source>
        <translation>Zeile %1 ist länger als jede Zeile einer Wochendatei</translation>
    </message>
    <message>
        <source>the file does not begin with the line &quot;%1&quot;</source>
        <translation>die Datei beginnt nicht mit der Zeile „%1“</translation>
    </message>
    <message>
        <source>line %1 names a kind of file, &quot;%2&quot;, that this Daywheel does not know (written by a newer Daywheel?)</source>
        <translation>Zeile %1 nennt eine Dateiart, „%2“, die dieses Daywheel nicht kennt (von einem neueren Daywheel geschrieben?)</translation>
    </message>
    <message>
        <source>line %1 names week file version &quot;%2&quot;, which this Daywheel does not know (written by a newer Daywheel?)</source>
        <translation>Zeile %1 nennt die Wochendatei-Version „%2“, die dieses Daywheel nicht kennt (von einem neueren Daywheel geschrieben?)</translation>
    </message>
    <message>
        <source>line %1 should read &quot;%2&quot;</source>
        <translation>Zeile %1 sollte „%2“ lauten</translation>
    </message>
    <message>
        <source>line %1 begins with &quot;%2&quot; where %3 was expected; the days come in order, Mon to Sun</source>
        <translation>Zeile %1 beginnt mit „%2“, wo %3 erwartet wurde; die Tage folgen der Reihe nach, Mon bis Sun</translation>
    </message>
    <message>
        <source>line %1 holds more than %2 and one run of %3 digits</source>
        <translation>Zeile %1 enthält mehr als %2 und eine Folge von %3 Ziffern</translation>
    </message>
    <message>
        <source>line %1 holds &quot;%2&quot; for %3&apos;s slot %4; a day&apos;s digits are 0 and 1</source>
        <translation>Zeile %1 enthält „%2“ für Feld %4 von %3; die Ziffern eines Tages sind 0 und 1</translation>
    </message>
    <message>
        <source>line %1 holds %2 digits for %3; a day has %4, one for each quarter hour</source>
        <translation>Zeile %1 enthält %2 Ziffern für %3; ein Tag hat %4, eine je Viertelstunde</translation>
    </message>
    <message>
        <source>line %1 holds the setting &quot;%2&quot;, which this Daywheel does not know (written by a newer Daywheel?)</source>
        <translation>Zeile %1 enthält die Einstellung „%2“, die dieses Daywheel nicht kennt (von einem neueren Daywheel geschrieben?)</translation>
    </message>
    <message>
        <source>line %1 holds &quot;%2&quot; after the seven days, where only settings may follow</source>
        <translation>Zeile %1 enthält „%2“ nach den sieben Tagen, wo nur Einstellungen folgen dürfen</translation>
    </message>
    <message>
        <source>line %1 should hold &quot;value&quot;, a day, a slot and a value, as in &quot;value Mon 25 7&quot;</source>
        <translation>Zeile %1 sollte „value“, einen Tag, ein Feld und einen Wert enthalten, wie in „value Mon 25 7“</translation>
    </message>
    <message>
        <source>line %1 names the day &quot;%2&quot;; the days are Mon, Tue, Wed, Thu, Fri, Sat and Sun</source>
        <translation>Zeile %1 nennt den Tag „%2“; die Tage sind Mon, Tue, Wed, Thu, Fri, Sat und Sun</translation>
    </message>
    <message>
        <source>line %1 names the slot &quot;%2&quot;; the slots are numbered 1 to %3</source>
        <translation>Zeile %1 nennt das Feld „%2“; die Felder sind von 1 bis %3 nummeriert</translation>
    </message>
    <message>
        <source>line %1 gives %2&apos;s slot %3 a value a second time</source>
        <translation>Zeile %1 gibt Feld %3 von %2 ein zweites Mal einen Wert</translation>
    </message>
    <message>
        <source>line %1 gives %2&apos;s slot %3 the value %4; 0 and 1 belong in the day&apos;s digits</source>
        <translation>Zeile %1 gibt Feld %3 von %2 den Wert %4; 0 und 1 gehören in die Ziffern des Tages</translation>
    </message>
    <message>
        <source>line %1 gives a value to %2&apos;s slot %3, whose digit is 1, not 0</source>
        <translation>Zeile %1 gibt Feld %3 von %2 einen Wert, obwohl seine Ziffer 1 ist, nicht 0</translation>
    </message>
    <message>
        <source>line %1 gives &quot;%2&quot; a second time; each setting is given once</source>
        <translation>Zeile %1 gibt „%2“ ein zweites Mal an; jede Einstellung steht nur einmal in der Datei</translation>
    </message>
    <message>
        <source>line %1 should hold &quot;place&quot;, a latitude and a longitude, as in &quot;place 52.50 13.37&quot;</source>
        <translation>Zeile %1 sollte „place“, eine Breite und eine Länge enthalten, wie in „place 52.50 13.37“</translation>
    </message>
    <message>
        <source>line %1 holds &quot;%2&quot;, which is not a number of degrees with at most two decimals</source>
        <translation>Zeile %1 enthält „%2“, und das ist keine Gradzahl mit höchstens zwei Nachkommastellen</translation>
    </message>
    <message>
        <source>line %1 gives the place %2 %3; the latitude lies within -90..90, the longitude within -180..180</source>
        <translation>Zeile %1 gibt den Ort %2 %3 an; die Breite liegt in -90..90, die Länge in -180..180</translation>
    </message>
    <message>
        <source>line %1 should hold &quot;dark&quot;, a day, sunset or civil and the minutes dusk and dawn move, as in &quot;dark Mon sunset +0 +0&quot;</source>
        <translation>Zeile %1 sollte „dark“, einen Tag, sunset oder civil und die Minuten enthalten, um die sich Abend- und Morgendämmerung verschieben, wie in „dark Mon sunset +0 +0“</translation>
    </message>
    <message>
        <source>line %1 holds &quot;%2&quot; where sunset or civil was expected</source>
        <translation>Zeile %1 enthält „%2“, wo sunset oder civil stehen sollte</translation>
    </message>
    <message>
        <source>line %1 moves an edge by &quot;%2&quot; minutes; an edge moves by whole minutes, -%3 to %3</source>
        <translation>Zeile %1 verschiebt eine Grenze um „%2“ Minuten; eine Grenze verschiebt sich um ganze Minuten, -%3 bis %3</translation>
    </message>
    <message>
        <source>line %1 should hold &quot;away&quot;, its minutes and either no day or the first and the last, as in &quot;away 30 2026-12-20 2027-01-06&quot;</source>
        <translation>Zeile %1 sollte „away“, seine Minuten und entweder keinen Tag oder den ersten und den letzten enthalten, wie in „away 30 2026-12-20 2027-01-06“</translation>
    </message>
    <message>
        <source>line %1 holds &quot;%2&quot; where away&apos;s minutes, a whole number from 1 to %3, were expected</source>
        <translation>Zeile %1 enthält „%2“, wo die Minuten von away stehen sollten, eine ganze Zahl von 1 bis %3</translation>
    </message>
    <message>
        <source>line %1 holds &quot;%2&quot; where a day from 2000-01-01 to 2099-12-31 was expected, written as 2026-12-20</source>
        <translation>Zeile %1 enthält „%2“, wo ein Tag von 2000-01-01 bis 2099-12-31 stehen sollte, geschrieben wie 2026-12-20</translation>
    </message>
    <message>
        <source>line %1 ends away on %2, before it begins on %3</source>
        <translation>Zeile %1 beendet away am %2, bevor es am %3 beginnt</translation>
    </message>
</context>
<context>
    <name>SerialLink</name>
    <message>
        <location filename="../board/serial_link.cpp" line="21"/>
        <source>no such port</source>
        <translation>Port nicht vorhanden</translation>
    </message>
    <message>
        <location filename="../board/serial_link.cpp" line="22"/>
        <source>port in use or not permitted</source>
        <translation>Port belegt oder nicht erlaubt</translation>
    </message>
    <message>
        <location filename="../board/serial_link.cpp" line="23"/>
        <source>port already open</source>
        <translation>Port bereits geöffnet</translation>
    </message>
    <message>
        <location filename="../board/serial_link.cpp" line="24"/>
        <source>write error</source>
        <translation>Schreibfehler</translation>
    </message>
    <message>
        <location filename="../board/serial_link.cpp" line="25"/>
        <source>read error</source>
        <translation>Lesefehler</translation>
    </message>
    <message>
        <location filename="../board/serial_link.cpp" line="26"/>
        <source>the port went away</source>
        <translation>der Port ist verschwunden</translation>
    </message>
    <message>
        <location filename="../board/serial_link.cpp" line="27"/>
        <source>setting not supported</source>
        <translation>Einstellung nicht unterstützt</translation>
    </message>
    <message>
        <location filename="../board/serial_link.cpp" line="28"/>
        <source>timed out</source>
        <translation>Zeitüberschreitung</translation>
    </message>
    <message>
        <location filename="../board/serial_link.cpp" line="29"/>
        <location filename="../board/serial_link.cpp" line="138"/>
        <source>port not open</source>
        <translation>Port nicht geöffnet</translation>
    </message>
    <message>
        <location filename="../board/serial_link.cpp" line="30"/>
        <source>port failure</source>
        <translation>Portfehler</translation>
    </message>
</context>
</TS>
