// Any command line, as one text and split into arguments.
#include "FuzzSupport.h"
#include "core/CCommandLine.h"

#include <cctype>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CPelkoDoc& doc = fuzz::Doc();
    std::string line(fuzz::Bytes(data, size));
    // "/out:error:" creates its file wherever the line says; a fuzzer must not write over files of
    // the machine, so that one switch is taken out.
    for (size_t at = 0; at + 6 <= line.size(); ++at)
        if (std::tolower(static_cast<unsigned char>(line[at])) == 'e' &&
            CCommandLine::ToLower(line.substr(at, 6)) == "error:")
            line[at] = 'x';
    CCommandLine::Parse(line, doc);
    fuzz::Require(CCommandLine::ToLower(line).size() == line.size(), "lower case changed the length");
    CCommandLine::IsAutomatic(line);
    std::vector<std::string> args{"pelko"};
    for (size_t begin = 0; begin <= line.size();) {
        size_t end = line.find('\n', begin);
        if (end == std::string::npos) end = line.size();
        args.push_back(line.substr(begin, end - begin));
        begin = end + 1;
    }
    std::vector<const char*> argv;
    for (const std::string& arg : args)
        argv.push_back(arg.c_str());
    CCommandLine::Parse(CCommandLine::FromArgv(static_cast<int>(argv.size()), argv.data()), doc);
    return 0;
}
