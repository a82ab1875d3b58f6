#include "datev/CKneMasterReader.h"

#include "core/CCodePage.h"
#include "core/CFrontEnd.h"
#include "core/CTool.h"
#include "core/CValueCheck.h"
#include "datev/CDatev.h"

#include <algorithm>
#include <climits>
#include <utility>

namespace {

const int kRecordStart = 101;
const int kKonto = 102;
const int kAnrede = 109;
const int kLand = 702;
const int kFirstLongLabel = 10000;
const char kTagEnd = '\x1E';

using S = CStammData;

// Fields of a master record that take their value as it is.
const std::pair<int, CText S::*> kTextFields[] = {
    {103, &S::name1},   {104, &S::kundennummer},  {106, &S::postleitzahl}, {107, &S::ort},
    {108, &S::strasse}, {130, &S::bank},          {132, &S::kontonummer},  {133, &S::bankleitzahl},
    {203, &S::name2},   {500, &S::ustIdnr},       {700, &S::postfach},     {710, &S::telefon},
    {711, &S::fax},     {712, &S::email},         {811, &S::laenderkennz}, {815, &S::iban},
    {816, &S::swift},   {821, &S::laenderkennz2}, {823, &S::bank2},        {825, &S::iban2},
    {826, &S::swift2},
};

CText S::*TextField(int tag) {
    for (const auto& [fieldTag, member] : kTextFields)
        if (fieldTag == tag) return member;
    return nullptr;
}

bool IsRecordField(int tag) {
    return tag == kRecordStart || tag == kKonto || tag == kAnrede || tag == kLand || TextField(tag);
}

} // namespace

CKneMasterReader::CKneMasterReader(const CDatev& datevRef, std::string_view data, size_t start,
                                   CStammCtrl& listRef, CFrontEnd& progressRef, std::string& messagesRef)
    : datev(datevRef), scan(data, start), list(listRef), progress(progressRef), messages(messagesRef) {}

void CKneMasterReader::Run() {
    std::string_view tagText;
    std::string_view text;
    std::string value;
    while (scan.SeekTo('t')) {
        size_t fieldStart = scan.Pos();
        scan.Take('t');
        size_t valueStart = 0;
        if (!scan.Text(tagText, kTagEnd) || (valueStart = scan.Pos(), !scan.Text(text))) {
            Broken(fieldStart, "ist unvollständig (Dateiende)");
            break;
        }
        if (text.find(kTagEnd) != std::string_view::npos) {
            // The scan goes on inside the value, where the next field starts.
            scan.SetPos(valueStart);
            Broken(fieldStart, "endet nicht mit dem Feldende (0x1C) und läuft in das nächste Feld");
        } else if (scan.Since(fieldStart).find('\0') != std::string_view::npos) {
            Broken(fieldStart, "enthält ein NUL-Byte");
        } else {
            value.assign(text);
            CCodePage::OemToAnsiInPlace(value);
            Act(TagNumber(tagText), std::move(value));
        }
        progress.SetProgressPos(static_cast<int>(std::min<size_t>(scan.Pos(), INT_MAX)));
    }
    AppendPending();
}

void CKneMasterReader::Broken(size_t offset, const char* what) {
    messages += CTool::Format(
        Ansi("FEHLER: Das Feld ab Byte %zu %s; %s.\r\n").c_str(), offset, Ansi(what).c_str(),
        Ansi(pending ? "der Datensatz wird nicht übernommen" : "es wird nicht übernommen").c_str());
    rejected = pending;
}

void CKneMasterReader::AppendPending() {
    if (pending && !rejected) list.Add(record);
    pending = false;
    rejected = false;
}

// Leading zeros are allowed (variant 1 writes "000101"); anything but digits, or a number
// beyond an account number, is no tag.
int CKneMasterReader::TagNumber(std::string_view text) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos) return 0;
    long long tag = 0;
    if (CKneScanner::ParseNumber(text, tag) != CKneScanner::ENumber::Ok || tag > INT_MAX) return 0;
    return static_cast<int>(tag);
}

// Labels of ledger accounts (below 10000) stand before the first master record, in files that
// hold nothing else; once a record has started, such tags belong to records.
void CKneMasterReader::Act(int tag, std::string&& value) {
    if (tag == kRecordStart) {
        AppendPending();
        record.Clear();
        pending = value == "1" || value == "2";
        recordSeen = true;
    } else if (tag >= kFirstLongLabel || (tag > 0 && !recordSeen && !IsRecordField(tag))) {
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
    list.Add(std::move(label));
}

void CKneMasterReader::StoreField(int tag, std::string&& value) {
    if (CText S::*member = TextField(tag)) {
        record.*member = std::move(value);
    } else if (tag == kAnrede) {
        record.anrede = datev.MapValue(CDatev::kInAnrede, value, value);
    } else if (tag == kLand) {
        record.land = datev.MapValue(CDatev::kInLand, value, value);
    } else if (tag == kKonto) {
        long long konto = 0;
        if (CKneScanner::ParseNumber(value, konto) == CKneScanner::ENumber::Ok && konto >= 0 &&
            konto <= INT_MAX) {
            record.datevKonto = static_cast<int>(konto);
        } else {
            messages +=
                CValueCheck::Rejected(list.GetCount() + 1, "Datev-Konto", value, CValueCheck::EKind::Account);
            rejected = true;
        }
    }
}
