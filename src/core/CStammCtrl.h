#pragma once

#include "core/CRecordList.h"
#include "core/CStammData.h"

// The list of master-data records of one document.
class CStammCtrl : public CRecordList<CStammData> {};
