// Any "angaben_datev.txt": what a save writes reads back as it was saved.
#include "FuzzSupport.h"
#include "core/CTool.h"

namespace {

std::string AngabenOf(const CDatev& d) {
    return CTool::Format("%d|%s|%d|%s|%d|%d|%s|%d|%d|%s|%d|%d", d.beraterNummer, d.beraterName.c_str(),
                         d.mandantenNummer, d.dfvKennzeichen.c_str(), d.datentraegerNummer, d.abrechnungsNummer,
                         d.passwort.c_str(), d.kontonummernErweiterung, d.kontonummernLaenge,
                         d.wirtschaftsjahrBeginn.c_str(), d.datevProVersion, d.festschreibung);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CFrontEnd& frontEnd = fuzz::Doc().GetFrontEnd();
    fuzz::Write("data/angaben_datev.txt", fuzz::Bytes(data, size));
    CDatev first(frontEnd);
    if (!first.LoadAngaben("")) return 0;
    fuzz::Require(first.SaveAngaben(), "first save");
    CDatev second(frontEnd);
    fuzz::Require(second.LoadAngaben("") && second.SaveAngaben(), "second load and save");
    CDatev third(frontEnd);
    fuzz::Require(third.LoadAngaben(""), "third load");
    fuzz::Require(AngabenOf(second) == AngabenOf(third), "a saved value reads back changed");
    return 0;
}
