#pragma once

#include "core/CBuchungenData.h"
#include "core/CRecordList.h"

// The list of bookings of one document.
class CBuchungenCtrl : public CRecordList<CBuchungenData> {};
