// Any column profile ("*.prf") worked through both column dialogs, then used for an export.
#include "FuzzSupport.h"
#include "robustness/SettingsProbes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string profile = fuzz::Write("profil.prf", fuzz::Bytes(data, size));
    fuzz::Require(probe::UseProfile(fuzz::Doc(), profile, (fuzz::Folder() / "aus.csv").string()),
                  "export failed");
    return 0;
}
