#include "config/registry.h"

#include "diagnostics/log.h"

#include <stdio.h>
#include <string.h>

const char szKey1[] = "Software\\Brontide\\Vizor Cinema\\output";
const char szKey2[] = "Software\\Brontide\\Vizor Cinema\\movie";

namespace {

const DWORD VALUE_NAME_CHARS = 80; // 79 and the terminating zero
const DWORD VALUE_DATA_BYTES = 256;

char FoldAsciiLetter(char c) { return c >= 'a' && c <= 'z' ? (char)(c - 'a' + 'A') : c; }

// Equal when only the case of the letters a to z differs.
bool SameValueName(const char *a, const char *b)
{
    for (; *a && *b; a++, b++)
        if (FoldAsciiLetter(*a) != FoldAsciiLetter(*b))
            return false;
    return *a == *b;
}

// Enumerates the key's values from index 0 and stops at the first whose name
// matches, or at the first entry that cannot be enumerated (the end of the list,
// or a name or data too large for the buffers). data is zero-filled first.
bool FindValue(HKEY key, const char *valueName, BYTE (&data)[VALUE_DATA_BYTES], DWORD &dataSize)
{
    for (DWORD index = 0;; index++) {
        char name[VALUE_NAME_CHARS];
        DWORD nameSize = sizeof name;
        memset(data, 0, sizeof data);
        dataSize = sizeof data;
        DWORD type;
        if (RegEnumValueA(key, index, name, &nameSize, NULL, &type, data, &dataSize) != ERROR_SUCCESS)
            return false;
        if (SameValueName(name, valueName))
            return true;
    }
}

// A failed read or write: its line in the log and the box that points at the log.
void Report(const char *format, int result)
{
    LogFormat(format, result);
    char text[MAX_PATH + 40];
    ComposeErrorBoxText(text, sizeof text);
    ShowMessageBox(ghWnd, text, "Error", MB_OK);
}

} // namespace

int ReadSetting(const char *key, const char *valueName, LONG &value)
{
    value = 0;
    if (RegistryRead(HKEY_CURRENT_USER, key, valueName, NULL, 0, &value, NULL, 0) == 0)
        return 0;
    return RegistryRead(HKEY_LOCAL_MACHINE, key, valueName, NULL, 0, &value, NULL, 0);
}

namespace {

int ReadNumber(const char *key, const char *valueName, LONG &value) { return ReadSetting(key, valueName, value); }

} // namespace

int RegistryRead(HKEY root, const char *szKey, const char *szValueName, char *szResult, int nResultSize, LONG *lResult,
                 const char *szDefault, LONG lDefault)
{
    if (!szResult && !lResult)
        return 1;
    if (szResult && nResultSize > 0 && szDefault)
        snprintf(szResult, nResultSize, "%s", szDefault);
    if (lResult)
        *lResult = lDefault;

    RegistryKey key;
    if (key.Open(root, szKey, KEY_READ) != ERROR_SUCCESS)
        return 1;
    BYTE data[VALUE_DATA_BYTES];
    DWORD dataSize;
    if (!FindValue(key.Get(), szValueName, data, dataSize))
        return 1;
    if (!szResult) {
        memcpy(lResult, data, sizeof *lResult); // the first four bytes, whatever the type
    } else if (nResultSize > 0) {
        size_t copied = (size_t)nResultSize < sizeof data ? (size_t)nResultSize : sizeof data;
        memcpy(szResult, data, copied);
        if (copied < (size_t)nResultSize)
            szResult[copied] = 0;
        szResult[nResultSize - 1] = 0;
    }
    return 0;
}

int RegistryWrite(HKEY root, const char *szKey, const char *szValueName, const char *szValue, LONG lValue)
{
    RegistryKey key;
    bool found = false;
    if (key.Open(root, szKey, KEY_ALL_ACCESS) == ERROR_SUCCESS) {
        BYTE data[VALUE_DATA_BYTES];
        DWORD dataSize;
        found = FindValue(key.Get(), szValueName, data, dataSize);
    }
    if (!found && key.Create(root, szKey, KEY_ALL_ACCESS) != ERROR_SUCCESS)
        return 1;
    LONG stored;
    if (szValue) {
        char text[256];
        snprintf(text, sizeof text, "%s", szValue); // at most 255 characters
        stored = key.SetString(szValueName, text);
    } else {
        stored = key.SetNumber(szValueName, (DWORD)lValue);
    }
    return stored == ERROR_SUCCESS ? 0 : 1;
}

bool RegistryKeyIsVolatile(HKEY root, const char *szKey)
{
    RegistryKey key;
    if (key.Open(root, szKey, KEY_CREATE_SUB_KEY) != ERROR_SUCCESS)
        return false;
    // A volatile key refuses lasting keys below it; asking for one is the only
    // way to tell. The probe is taken away again when this made it.
    static const char PROBE[] = "Parallaxia lasting key probe";
    RegistryKey probe;
    DWORD disposition = 0;
    const LONG created = probe.Create(key.Get(), PROBE, KEY_READ, &disposition);
    if (created != ERROR_SUCCESS)
        return created == ERROR_CHILD_MUST_BE_VOLATILE;
    probe.Close();
    if (disposition == REG_CREATED_NEW_KEY)
        RegDeleteKeyA(key.Get(), PROBE);
    return false;
}

void InitializeRegistry()
{
    static const struct {
        const char *key;
        const char *valueName;
        LONG value;
        const char *failure;
    } defaults[] = {
        {szKey1, "StereoCodingFormat", PRESET_CODING,
         "RegistryWrite(HKEY_LOCAL_MACHINE,szKey1,\"StereoCodingFormat\", NULL, SHIFTED_AB)  failed with "
         "HRESULT(0x%8.8X)\n"},
        {szKey1, "EyeCodingFormat", PRESET_EYES,
         "RegistryWrite(HKEY_LOCAL_MACHINE,szKey1,\"EyeCodingFormat\", NULL, LEFT_TOP)  failed with "
         "HRESULT(0x%8.8X)\n"},
        {szKey2, "OutputFormat", PRESET_OUTPUT,
         "RegistryWrite(HKEY_LOCAL_MACHINE,szKey2,\"OutputFormat\",NULL,OUTPUT_PURE_INTERLACED)  failed with "
         "HRESULT(0x%8.8X)\n"},
        {szKey2, "VideomemoryMethod", PRESET_METHOD,
         "RegistryWrite(HKEY_LOCAL_MACHINE,szKey2,\"VideomemoryMethod\",NULL, VIDEOMEMORY_METHOD2)  failed with "
         "HRESULT(0x%8.8X)\n"},
        {szKey2, "StrenghtOf2Dto3DEffect", PRESET_STRENGTH,
         "RegistryWrite(HKEY_LOCAL_MACHINE,szKey2,\"StrenghtOf2Dto3DEffect\",NULL, 50)  failed with "
         "HRESULT(0x%8.8X)\n"},
    };
    for (const auto &d : defaults) {
        int result = RegistryWrite(HKEY_CURRENT_USER, d.key, d.valueName, NULL, d.value);
        if (result != 0)
            Report(d.failure, result);
    }
}

void ReadRegistrySettings(MovieRecord &movie, OutputRecord &output, StateRecord &state)
{
    // The five settings in the order they are read; a first read that fails
    // writes the defaults and is tried once more.
    static const struct {
        const char *key;
        const char *keyText; // in a failure's log line
        const char *valueName;
        // clang-format off
    } stored[] = {
        {szKey1, "szKey1", "StereoCodingFormat"}, {szKey1, "szKey1", "EyeCodingFormat"},
        {szKey2, "szKey2", "OutputFormat"},       {szKey2, "szKey2", "VideomemoryMethod"},
        {szKey2, "szKey2", "StrenghtOf2Dto3DEffect"},
    };
    // clang-format on
    LONG values[sizeof stored / sizeof stored[0]];
    for (size_t i = 0; i < sizeof stored / sizeof stored[0]; i++) {
        int result = ReadNumber(stored[i].key, stored[i].valueName, values[i]);
        if (result != 0 && i == 0) {
            LogMessage("Read registry failed, traying to initializae registry\n");
            InitializeRegistry();
            result = ReadNumber(stored[i].key, stored[i].valueName, values[i]);
        }
        if (result != 0) {
            char line[200];
            snprintf(line, sizeof line,
                     "RegistryRead(HKEY_LOCAL_MACHINE, %s, \"%s\", NULL, 0, &lResult, NULL, 0)  failed with "
                     "HRESULT(0x%%8.8X)\n",
                     stored[i].keyText, stored[i].valueName);
            Report(line, result);
        }
    }
    movie.StereoCodingFormat = (StereoCodingFormat)values[0];
    movie.EyeCodingFormat = (EyeCodingFormat)values[1];
    output.OutputFormat = (OutputFormat)values[2];
    output.VideomemoryMethod = (VideomemoryMethod)values[3];
    output.StrenghtOf2Dto3DEffect = values[4];

    state.frameCount = 0;
    state.bApplicationMinimized = 0;
    movie.bMCF = 0;
    LogFormat("Input Coding %d Requested Output %d \n", (int)movie.StereoCodingFormat, (int)output.OutputFormat);
    LogMessage("Movie parameters read from registry and set to default values\n");
}

namespace {
const char LAYOUT_VALUE[] = "LayoutFromFileName";
}

bool ReadLayoutFromNameSetting()
{
    LONG value;
    return ReadSetting(szKey2, LAYOUT_VALUE, value) != 0 || value != 0;
}

bool SaveLayoutFromNameSetting(bool on)
{
    return RegistryWrite(HKEY_CURRENT_USER, szKey2, LAYOUT_VALUE, NULL, on ? 1 : 0) == 0;
}
