// Any "angaben_datev.txt": what a save writes reads back as it was saved.
#include "FuzzSupport.h"
#include "robustness/SettingsProbes.h"

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
    fuzz::Require(probe::AngabenOf(second) == probe::AngabenOf(third), "a saved value reads back changed");
    return 0;
}
