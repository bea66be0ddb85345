// Fuzz target for the installer engine step's texts: version comparison and the
// msiexec, engine and RunOnce command builders. The input is split at NUL bytes
// into texts; its first bytes choose the buffer size and the switches. Every
// builder must stay inside its buffer, deliver a whole text or nothing, and the
// RunOnce value must split back into exactly the texts that went in.
// Built natively with clang's -fsanitize=fuzzer,address by tools/fuzz-commands.sh.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

#include "../engine_commands.h"

namespace {

// Arguments after the program name as the run-time start-up code splits them.
std::vector<std::string> splitAfterProgram(const char *command, std::string *program)
{
    const char *p = command;
    program->clear();
    if (*p == '"') {
        for (++p; *p && *p != '"'; ++p)
            *program += *p;
        if (*p)
            ++p;
    } else {
        for (; *p && *p != ' ' && *p != '\t'; ++p)
            *program += *p;
    }
    std::vector<std::string> out;
    for (;;) {
        while (*p == ' ' || *p == '\t')
            ++p;
        if (!*p)
            return out;
        std::string argument;
        bool quoted = false;
        while (*p && (quoted || (*p != ' ' && *p != '\t'))) {
            size_t backslashes = 0;
            while (*p == '\\') {
                ++backslashes;
                ++p;
            }
            if (*p == '"') {
                argument.append(backslashes / 2, '\\');
                if (backslashes % 2) {
                    argument += '"';
                } else {
                    quoted = !quoted;
                }
                ++p;
            } else {
                argument.append(backslashes, '\\');
                if (*p && (quoted || (*p != ' ' && *p != '\t')))
                    argument += *p++;
            }
        }
        out.push_back(argument);
    }
}

void check(bool condition)
{
    if (!condition)
        abort();
}

// A heap buffer of exactly size bytes, so that AddressSanitizer sees any overrun.
struct Buffer {
    explicit Buffer(size_t size) : size(size), data(static_cast<char *>(malloc(size))) { memset(data, 'X', size); }
    ~Buffer() { free(data); }
    size_t size;
    char *data;
};

void builtWhole(bool ok, const Buffer &out)
{
    check(memchr(out.data, '\0', out.size) != NULL);
    if (!ok)
        check(out.data[0] == '\0');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 4)
        return 0;
    size_t bufferSize = 1 + ((size_t(data[0]) << 8 | data[1]) % 1400);
    int mode = data[2] % 8 - 1;
    unsigned languages = data[3] & 3;
    bool fromCommandLine = data[3] & 4;
    bool temporary = data[3] & 8;
    std::vector<std::string> texts(8);
    size_t field = 0;
    for (size_t i = 4; i < size && field < texts.size(); ++i) {
        if (data[i] == 0)
            ++field;
        else
            texts[field] += char(data[i]);
    }
    const std::string &a = texts[0], &b = texts[1], &properties = texts[2], &transform = texts[3], &path = texts[4],
                      &options = texts[5], &own = texts[6], &folder = texts[7];

    int ab = CompareVersions(a.c_str(), b.c_str());
    check(ab == -CompareVersions(b.c_str(), a.c_str()));
    check(CompareVersions(a.c_str(), a.c_str()) == 0);

    Buffer p(bufferSize);
    bool propertiesOk =
        packageProperties(properties.c_str(), languages, fromCommandLine, transform.c_str(), p.data, p.size);
    builtWhole(propertiesOk, p);
    if (propertiesOk && languages > 1 && !fromCommandLine)
        check(strstr(p.data, transform.c_str()) != NULL);

    Buffer m(bufferSize);
    builtWhole(packageCommand(mode, options.c_str(), path.c_str(), p.data, m.data, m.size), m);
    Buffer e(bufferSize);
    builtWhole(engineCommand(path.c_str(), e.data, e.size), e);

    Buffer v(bufferSize);
    bool valueOk =
        runOnceValue(own.c_str(), folder.c_str(), path.c_str(), properties.c_str(), temporary, v.data, v.size);
    builtWhole(valueOk, v);
    if (valueOk && own.find('"') == std::string::npos) {
        std::string program;
        std::vector<std::string> arguments = splitAfterProgram(v.data, &program);
        std::vector<std::string> expected;
        if (temporary)
            expected.push_back("/k");
        expected.push_back("/t" + folder);
        expected.push_back("/m" + path);
        if (temporary)
            expected.push_back("/w");
        expected.push_back("/v" + properties);
        if (temporary)
            expected.push_back("/c");
        check(arguments == expected);
    }

    char drive[8];
    driveOf(path.c_str(), drive, sizeof drive);
    char two[16];
    majorMinor(a.c_str(), two, sizeof two);
    return 0;
}
