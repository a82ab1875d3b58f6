#include "datev/CKneMasterReader.h"

#include "core/CCodePage.h"
#include "core/CFrontEnd.h"
#include "core/CTool.h"
#include "datev/CDatev.h"

#include <algorithm>
#include <climits>

namespace {

const int kRecordStart = 101;
const int kFirstLongLabel = 10000;
const char kTagEnd = '\x1E';

} // namespace

CKneMasterReader::CKneMasterReader(const CDatev& datevRef, std::string_view data, size_t start,
                                   CStammCtrl& listRef, CFrontEnd& progressRef, std::string& messagesRef)
    : datev(datevRef), scan(data, start), list(listRef), progress(progressRef), messages(messagesRef) {}

void CKneMasterReader::Run() {
    std::string tagText;
    std::string value;
    while (scan.SeekTo('t')) {
        size_t fieldStart = scan.Pos();
        scan.Take('t');
        if (!scan.Text(tagText, kTagEnd) || !scan.Text(value)) {
            messages += CTool::Format(Ansi("FEHLER: Das Feld ab Byte %zu ist unvollständig (Dateiende), es "
                                           "wird nicht übernommen.\r\n")
                                          .c_str(),
                                      fieldStart);
            break;
        }
        CCodePage::OemToAnsiInPlace(value);
        Act(TagNumber(tagText), std::move(value));
        progress.SetProgressPos(static_cast<int>(std::min<size_t>(scan.Pos(), INT_MAX)));
    }
    if (pending) list.Add(record);
}

// Leading zeros are allowed (variant 1 writes "000101"); anything but digits, or a number
// beyond an account number, is no tag.
int CKneMasterReader::TagNumber(const std::string& text) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return 0;
    long long tag = 0;
    if (!CKneScanner::ParseNumber(text, tag) || tag > INT_MAX) return 0;
    return static_cast<int>(tag);
}

void CKneMasterReader::Act(int tag, std::string&& value) {
    if (tag == kRecordStart && (value == "1" || value == "2")) {
        if (pending) list.Add(record);
        record.Clear();
        pending = true;
    } else if (tag == kRecordStart) {
        // Not a record start: a label of account 101 ends the record before it.
        if (pending) list.Add(record);
        pending = false;
        AppendLabel(tag, std::move(value));
    } else if (tag >= kFirstLongLabel || (tag > 0 && !pending)) {
        AppendLabel(tag, std::move(value));
    } else if (pending) {
        StoreField(tag, std::move(value));
    }
}

// A label never touches the record being collected, which may go on after it.
void CKneMasterReader::AppendLabel(int tag, std::string&& value) {
    CStammData label;
    label.datevKonto = tag;
    label.name1 = std::move(value);
    list.Add(label);
}

void CKneMasterReader::StoreField(int tag, std::string&& value) {
    switch (tag) {
    case 102: {
        long long konto = 0;
        if (CKneScanner::ParseNumber(value, konto) && konto >= INT_MIN && konto <= INT_MAX)
            record.datevKonto = static_cast<int>(konto);
        else
            messages += CTool::Format(Ansi("FEHLER: Zeile %d, Feld 'Datev-Konto': Der Wert '%s' ist zu groß "
                                           "und wird nicht übernommen.\r\n")
                                          .c_str(),
                                      list.GetCount() + 1, value.c_str());
        break;
    }
    case 103:
        record.name1 = std::move(value);
        break;
    case 104:
        record.kundennummer = std::move(value);
        break;
    case 106:
        record.postleitzahl = std::move(value);
        break;
    case 107:
        record.ort = std::move(value);
        break;
    case 108:
        record.strasse = std::move(value);
        break;
    case 109:
        record.anrede = datev.MapValue(CDatev::kInAnrede, value, value);
        break;
    case 130:
        record.bank = std::move(value);
        break;
    case 132:
        record.kontonummer = std::move(value);
        break;
    case 133:
        record.bankleitzahl = std::move(value);
        break;
    case 203:
        record.name2 = std::move(value);
        break;
    case 500:
        record.ustIdnr = std::move(value);
        break;
    case 700:
        record.postfach = std::move(value);
        break;
    case 702:
        record.land = datev.MapValue(CDatev::kInLand, value, value);
        break;
    case 710:
        record.telefon = std::move(value);
        break;
    case 711:
        record.fax = std::move(value);
        break;
    case 712:
        record.email = std::move(value);
        break;
    case 811:
        record.laenderkennz = std::move(value);
        break;
    case 815:
        record.iban = std::move(value);
        break;
    case 816:
        record.swift = std::move(value);
        break;
    case 821:
        record.laenderkennz2 = std::move(value);
        break;
    case 823:
        record.bank2 = std::move(value);
        break;
    case 825:
        record.iban2 = std::move(value);
        break;
    case 826:
        record.swift2 = std::move(value);
        break;
    default:
        break; // fields of other programs
    }
}
