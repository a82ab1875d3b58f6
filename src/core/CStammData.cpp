#include "core/CStammData.h"

bool CStammData::HasData() const {
    if (datevKonto != 0) return true;
    for (auto text : CRecordFields<CStammData>::texts)
        if (!(this->*text).empty()) return true;
    return false;
}
