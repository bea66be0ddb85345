#include "format_check.h"

#include <string.h>

#include "resources/resource.h"

namespace {

const unsigned MAX_FIELD = 1024;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Skips a decimal number; false when it exceeds MAX_FIELD.
bool skipNumber(const char *&p)
{
    unsigned value = 0;
    while (isDigit(*p)) {
        value = value * 10 + unsigned(*p - '0');
        if (value > MAX_FIELD)
            return false;
        ++p;
    }
    return true;
}

} // namespace

bool formatMatches(const char *text, const char *kinds)
{
    if (!text || !kinds)
        return false;
    size_t argument = 0;
    size_t arguments = strlen(kinds);
    for (const char *p = text; *p;) {
        if (*p++ != '%')
            continue;
        if (*p == '%') {
            ++p;
            continue;
        }
        while (*p && strchr("-+ #0", *p))
            ++p;
        if (!skipNumber(p))
            return false;
        if (*p == '.') {
            ++p;
            if (!skipNumber(p))
                return false;
        }
        char length = 0;
        if (*p == 'l' || *p == 'h') {
            length = *p++;
        }
        char conversion = *p;
        if (!conversion)
            return false;
        ++p;
        if (argument >= arguments)
            return false;
        switch (kinds[argument++]) {
        case 's':
            if (conversion != 's' || length)
                return false;
            break;
        case 'l':
            if (!strchr("diuxXo", conversion))
                return false;
            // long and int are the same size on Windows, so "%u" takes it as well.
            if (length != 'l' && !(length == 0 && sizeof(long) == sizeof(int)))
                return false;
            break;
        default: return false;
        }
    }
    return true;
}

const char *formatKindsForId(int id)
{
    switch (id) {
    case IDS_PREPARING:              // product name
    case IDS_ERROR_EXTRACTING:       // target path
    case IDS_ERROR_NO_INSTALLER:     // engine installer path
    case IDS_ERROR_FILE_NOT_FOUND:   // package path
    case IDS_OLDER_ENGINE:           // installed engine version
    case IDS_ERROR_CODE_PAGE:        // language name
    case IDS_ENGINE_MISSING:         // engine installer name
    case IDS_ERROR_COMMAND_TOO_LONG: // program or package path
    case IDS_ERROR_WAIT_ABANDONED:   // engine installer path
        return "s";
    case IDS_ERROR_DISK_SPACE: // KB needed, drive
        return "ls";
    default: return "";
    }
}
