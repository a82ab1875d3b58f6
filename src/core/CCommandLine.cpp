#include "core/CCommandLine.h"

#include "core/CCodePage.h"
#include "core/CPelkoDoc.h"

#include <functional>
#include <string_view>

namespace {

enum class ESource { Lower, Original, None };

struct CSwitch {
    const char* text;
    ESource source;
    std::function<void(CPelkoDoc&, const std::string& value, std::string_view rest)> apply;
    const char* onlyWithout = nullptr; // old forms: skipped when the rest of the line holds this text
    size_t valueIndex = 0;             // old forms: fixed index of the value; 0 = right after the text
};

void SetInput(CPelkoDoc& doc, int inputType, int dataType, const std::string& file) {
    doc.inputType = inputType;
    doc.dataType = dataType;
    doc.inputFile = file;
}

void SetOutput(CPelkoDoc& doc, int outputType, const std::string& file) {
    doc.outputType = outputType;
    doc.outputFile = file;
}

char CharAt(std::string_view text, size_t index) {
    return index < text.size() ? text[index] : '\0';
}

int OldInputType(char c) {
    switch (c) {
    case '1':
        return CPelkoDoc::InAccess;
    case '2':
    case '3':
        return CPelkoDoc::InCsv;
    case '5':
        return CPelkoDoc::InSql;
    default:
        return CPelkoDoc::InDatev;
    }
}

int OldOutputType(char c) {
    switch (c) {
    case '1':
        return CPelkoDoc::OutAccess;
    case '2':
        return CPelkoDoc::OutCsv;
    case '4':
        return CPelkoDoc::OutRtf;
    case '5':
        return CPelkoDoc::OutSql;
    case '6':
        return CPelkoDoc::OutDatevPro;
    default:
        return CPelkoDoc::OutDatev;
    }
}

// Path values keep their letter case: a lower-cased path names another file on this platform.
const CSwitch kSwitches[] = {
    {"/in:datev:", ESource::Original, [](auto& d, auto& v, auto) { SetInput(d, 0, 0, v); }},
    {"/in:datevpro:", ESource::Original, [](auto& d, auto& v, auto) { SetInput(d, 1, 0, v); }},
    {"/in:csv:bu:", ESource::Original, [](auto& d, auto& v, auto) { SetInput(d, 2, 0, v); }},
    {"/in:csv:st:", ESource::Original, [](auto& d, auto& v, auto) { SetInput(d, 2, 1, v); }},
    {"/in:mdb:bu:", ESource::Original, [](auto& d, auto& v, auto) { SetInput(d, 3, 0, v); }},
    {"/in:mdb:st:", ESource::Original, [](auto& d, auto& v, auto) { SetInput(d, 3, 1, v); }},
    {"/in:sql:bu:", ESource::Original, [](auto& d, auto& v, auto) { SetInput(d, 4, 0, v); }},
    {"/in:sql:st:", ESource::Original, [](auto& d, auto& v, auto) { SetInput(d, 4, 1, v); }},
    {"/out:datev:", ESource::Original, [](auto& d, auto& v, auto) { SetOutput(d, 0, v); }},
    {"/out:datevpro:", ESource::Original, [](auto& d, auto& v, auto) { SetOutput(d, 1, v); }},
    {"/out:csv:", ESource::Original, [](auto& d, auto& v, auto) { SetOutput(d, 2, v); }},
    {"/out:mdb:", ESource::Original, [](auto& d, auto& v, auto) { SetOutput(d, 3, v); }},
    {"/out:sql:", ESource::Original, [](auto& d, auto& v, auto) { SetOutput(d, 4, v); }},
    {"/out:rtf:", ESource::Original, [](auto& d, auto& v, auto) { SetOutput(d, 5, v); }},
    {"/out:error:", ESource::Original,
     [](auto& d, auto& v, auto) {
         if (!v.empty()) d.OpenErrorFile(v);
     }},
    {"/dv:", ESource::Original, [](auto& d, auto& v, auto) { d.datevParamFile = v; }},
    {"/prfin:", ESource::Original, [](auto& d, auto& v, auto) { d.profileIn = v; }},
    {"/prfout:", ESource::Original, [](auto& d, auto& v, auto) { d.profileOut = v; }},
    {"/auto", ESource::None, [](auto& d, auto&, auto) { d.automatic = 1; }},
    {"/datevdlg", ESource::None, [](auto& d, auto&, auto) { d.forceDatevDialog = 1; }},
    {"/bnr:", ESource::Lower, [](auto& d, auto& v, auto) { d.datevValues.beraterNummer = v; }},
    {"/bname:", ESource::Lower, [](auto& d, auto& v, auto) { d.datevValues.beraterName = v; }},
    {"/mandnr:", ESource::Lower, [](auto& d, auto& v, auto) { d.datevValues.mandantenNummer = v; }},
    {"/dfv:", ESource::Lower, [](auto& d, auto& v, auto) { d.datevValues.dfvKennzeichen = v; }},
    {"/datnr:", ESource::Lower, [](auto& d, auto& v, auto) { d.datevValues.datentraegerNummer = v; }},
    {"/abrnr:", ESource::Lower, [](auto& d, auto& v, auto) { d.datevValues.abrechnungsNummer = v; }},
    {"/pw:", ESource::Lower, [](auto& d, auto& v, auto) { d.datevValues.passwort = v; }},
    {"/kne:", ESource::Lower, [](auto& d, auto& v, auto) { d.datevValues.kne = v; }},
    {"/knrln:", ESource::Lower, [](auto& d, auto& v, auto) { d.datevValues.kontoLaenge = v; }},
    {"/vers:", ESource::Lower, [](auto& d, auto& v, auto) { d.datevValues.version = v; }},
    {"/wj:", ESource::Lower, [](auto& d, auto& v, auto) { d.datevValues.wirtschaftsjahr = v; }},
    {"/fest:", ESource::Lower, [](auto& d, auto& v, auto) { d.datevValues.festschreibung = v; }},
    {"/in", ESource::Original,
     [](auto& d, auto& v, auto rest) { SetInput(d, OldInputType(CharAt(rest, 4)), d.dataType, v); },
     "/in:", 6},
    {"/out", ESource::Original,
     [](auto& d, auto& v, auto rest) { SetOutput(d, OldOutputType(CharAt(rest, 5)), v); }, "/out:", 7},
    {"/dv", ESource::Original, [](auto& d, auto& v, auto) { d.datevParamFile = v; }, "/dv:", 3},
    {"/tbl", ESource::Original, [](auto& d, auto& v, auto) { d.tableName = v; }, nullptr, 4},
    {"/prfin", ESource::Original, [](auto& d, auto& v, auto) { d.profileIn = v; }, "/prfin:", 6},
    {"/prfout", ESource::Original, [](auto& d, auto& v, auto) { d.profileOut = v; }, "/prfout:", 7},
    {"/typ0", ESource::None, [](auto& d, auto&, auto) { d.dataType = 0; }},
    {"/typ1", ESource::None, [](auto& d, auto&, auto) { d.dataType = 1; }},
};

// Copies a value: a double quote toggles quoting and is dropped; outside quotes a blank or "/" ends it.
std::string ExtractValue(std::string_view text, size_t start) {
    std::string value;
    bool quoted = false;
    for (size_t i = start; i < text.size(); ++i) {
        char c = text[i];
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && (c == ' ' || c == '/'))
            break;
        else
            value += c;
    }
    return value;
}

size_t ValueStart(const CSwitch& sw) {
    return sw.valueIndex ? sw.valueIndex : std::char_traits<char>::length(sw.text);
}

// The switch an argv argument starts with, if any (longest match, so "/in:csv:bu:" beats "/in").
const CSwitch* SwitchOf(const std::string& lowerArg) {
    const CSwitch* best = nullptr;
    for (const CSwitch& sw : kSwitches)
        if (lowerArg.starts_with(sw.text) &&
            (!best || std::string_view(sw.text).size() > std::string_view(best->text).size()))
            best = &sw;
    return best;
}

// A value the caller quoted himself (as Windows batch files do) stays as typed.
std::string Quoted(const std::string& text) {
    if (text.find('"') != std::string::npos || text.find_first_of(" /") == std::string::npos) return text;
    return "\"" + text + "\"";
}

// First position of text outside double quotes, or npos.
size_t FindOutsideQuotes(const std::string& line, std::string_view text) {
    bool quoted = false;
    for (size_t p = 0; p < line.size(); ++p) {
        if (line[p] == '"') quoted = !quoted;
        if (!quoted && std::string_view(line).substr(p).starts_with(text)) return p;
    }
    return std::string::npos;
}

} // namespace

std::string CCommandLine::ToLower(const std::string& text) {
    std::string lower = text;
    for (char& c : lower)
        c = CCodePage::ToLower(c);
    return lower;
}

std::string CCommandLine::FromArgv(int argc, const char* const* argv) {
    // The program path is quoted too: a folder such as /opt/dvtools must not read as "/dv".
    std::string line = argc > 0 ? Quoted(CCodePage::Utf8ToAnsi(argv[0])) : std::string();
    size_t oldFormValueAt = std::string::npos; // where the value of a split old form ("/in 2 FILE") starts
    for (int i = 1; i < argc; ++i) {
        std::string arg = CCodePage::Utf8ToAnsi(argv[i]);
        line += ' ';
        const size_t at = line.size();
        const CSwitch* sw = SwitchOf(ToLower(arg));
        if (at == oldFormValueAt) {
            line += Quoted(arg); // the file of an old form, even when it looks like a switch
        } else if (sw && sw->source != ESource::None && arg.size() > ValueStart(*sw)) {
            line += arg.substr(0, ValueStart(*sw)) + Quoted(arg.substr(ValueStart(*sw)));
        } else if (sw) {
            line += arg;
            if (ValueStart(*sw) > arg.size()) oldFormValueAt = at + ValueStart(*sw);
        } else {
            line += Quoted(arg); // a value standing on its own, e.g. the type digit of an old form
        }
    }
    return line;
}

bool CCommandLine::IsAutomatic(const std::string& commandLine) {
    size_t at = FindOutsideQuotes(commandLine, "/AUTO");
    if (at == std::string::npos) at = FindOutsideQuotes(commandLine, "/auto");
    return at != std::string::npos && at > 0;
}

void CCommandLine::Parse(const std::string& commandLine, CPelkoDoc& doc) {
    const std::string lower = ToLower(commandLine);
    doc.datevValues = CDatevValues();
    doc.datevParamFile.clear();
    doc.profileIn.clear();
    doc.profileOut.clear();
    doc.automatic = 0;
    doc.forceDatevDialog = 0;
    doc.tableName.clear();

    bool quoted = false;
    for (size_t p = 0; p < lower.size(); ++p) {
        if (lower[p] == '"') quoted = !quoted;
        if (lower[p] != '/' || quoted) continue; // a "/" inside quotes is part of a value
        std::string_view rest(lower.data() + p, lower.size() - p);
        for (const CSwitch& sw : kSwitches) {
            if (!rest.starts_with(sw.text)) continue;
            // The rest of the line holds the text when its last occurrence lies at or after p.
            if (sw.onlyWithout) {
                size_t last = lower.rfind(sw.onlyWithout);
                if (last != std::string::npos && last >= p) continue;
            }
            std::string_view source = sw.source == ESource::Original
                                          ? std::string_view(commandLine.data() + p, commandLine.size() - p)
                                          : rest;
            std::string value =
                sw.source == ESource::None ? std::string() : ExtractValue(source, ValueStart(sw));
            sw.apply(doc, value, rest);
        }
    }
}
