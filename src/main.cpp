#include "core/CAutoRun.h"
#include "core/CCommandLine.h"
#include "core/CHeadlessFrontEnd.h"
#ifdef PELKO_WITH_GUI
#include "ui/CPelkoApp.h"
#endif

#include <cstdio>
#include <cstring>

namespace {

const char* const kHelp = R"(Aufruf: pelko [Schalter]

Pelko wandelt Buchungs- und Stammdaten zwischen DATEV-Dateien (KNE), DATEVpro-Dateien (EXTF_*.csv),
Excel/CSV-Dateien, Datenbanken und RTF-Listen um. Ohne /AUTO öffnet sich das Hauptfenster; die
Schalter belegen es vor. Mit /AUTO läuft genau eine Umwandlung ohne Rückfrage; ohne Bildschirm
läuft sie in der Konsole.

Eingabe:
  /in:datev:DATEI        DATEV-Datei (KNE)           /in:datevpro:DATEI   DATEVpro-Datei
  /in:csv:bu:DATEI       CSV, Buchungsdaten          /in:csv:st:DATEI     CSV, Stammdaten
  /in:mdb:bu:DATEI       Datenbankdatei, Buchungen   /in:mdb:st:DATEI     Datenbankdatei, Stammdaten
  /in:sql:bu:VERBINDUNG  SQL-Datenbank, Buchungen    /in:sql:st:VERBINDUNG SQL-Datenbank, Stammdaten
Ausgabe:
  /out:datev:ORDNER/     DATEV-Dateien (KNE)         /out:datevpro:DATEI  DATEVpro-Datei
  /out:csv:DATEI         CSV-Datei                   /out:mdb:DATEI       Datenbankdatei
  /out:sql:VERBINDUNG    SQL-Datenbank               /out:rtf:DATEI       RTF-Liste
  /out:error:DATEI       Datei für Hinweise und Fehler des Laufs
Weitere Schalter:
  /AUTO                  automatischer Lauf          /datevdlg            Dialog "DATEV-Angaben" zeigen
  /dv:DATEI              Datei mit DATEV-Angaben     /tblNAME             Tabellenname
  /prfin:DATEI           Profil der Eingabe          /prfout:DATEI        Profil der Ausgabe
  /typ0 /typ1            Buchungsdaten / Stammdaten
DATEV-Angaben (überschreiben die gespeicherten Werte):
  /bnr: Beraternummer    /bname: Beratername         /mandnr: Mandantennummer
  /dfv: DFV-Kennzeichen  /datnr: Datenträgernummer   /abrnr: Abrechnungsnummer
  /pw: Passwort          /kne: Kontonummernerweiterung (1 neu, 0 alt)
  /knrln: Kontonummernlänge  /vers: DATEVpro-Version (300, 510, 700)
  /wj: Beginn des Wirtschaftsjahres (TT.MM.JJJJ)      /fest: Festschreibung (0, 1)
Alte Formen: /in<T> <DATEI>, /out<T> <DATEI>, /dv<DATEI>, /prfin<DATEI>, /prfout<DATEI>.

Werte mit Leerzeichen stehen in doppelten Anführungszeichen.
Einstellungen liegen in $PELKO_DATA_DIR, sonst in $XDG_CONFIG_HOME/Pelko (~/.config/Pelko).

Rückgabewerte:
  0  Umwandlung abgeschlossen, ohne FEHLER (Hinweise stehen in der Fehlerdatei)
  3  Umwandlung abgeschlossen, aber FEHLER-Zeilen nennen Werte oder Datensätze, die nicht
     unverändert im Ziel angekommen sind (siehe Fehlerdatei)
  1  Umwandlung fehlgeschlagen oder abgebrochen; ein vorhandenes Ziel bleibt unverändert
  2  Aufruf nicht verwendbar

  --help, -h, /?         diese Hilfe                 --version            Versionsnummer
)";

bool IsHelp(const char* arg) {
    return !std::strcmp(arg, "--help") || !std::strcmp(arg, "-h") || !std::strcmp(arg, "/?");
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (IsHelp(argv[i])) {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (!std::strcmp(argv[i], "--version")) {
            std::printf("pelko %s\n", PELKO_VERSION);
            return 0;
        }
        if (!std::strncmp(argv[i], "--", 2) || (argv[i][0] == '-' && argv[i][1])) {
            std::fprintf(stderr, "Unbekannte Option \"%s\". Aufruf: pelko --help\n", argv[i]);
            return CAutoRun::UnusableCommandLine;
        }
    }
    std::string commandLine = CCommandLine::FromArgv(argc, argv);
    bool automatic = CCommandLine::IsAutomatic(commandLine);
#ifdef PELKO_WITH_GUI
    if (CPelkoApp::HasDisplay()) return CPelkoApp::Run(argc, argv, commandLine, automatic);
    if (!automatic) {
        std::fprintf(stderr,
                     "Ohne Bildschirm kann Pelko sein Hauptfenster nicht öffnen (DISPLAY ist nicht gesetzt); "
                     "ein automatischer Lauf braucht /AUTO. Aufruf: pelko --help\n");
        return CAutoRun::UnusableCommandLine;
    }
#else
    if (!automatic) {
        std::fprintf(stderr, "Ohne /AUTO öffnet Pelko das Hauptfenster; diese Ausgabe enthält nur den "
                             "automatischen Lauf. Aufruf: pelko --help\n");
        return CAutoRun::UnusableCommandLine;
    }
#endif
    CHeadlessFrontEnd frontEnd;
    return CAutoRun(frontEnd).Execute(commandLine);
}
