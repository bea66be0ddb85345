#include "config/recent_list.h"

#include <stdio.h>
#include <string.h>

namespace {

const size_t LABEL_PATH_CHARS = 60; // characters of a path a menu line shows

char FoldLetter(char c) { return c >= 'a' && c <= 'z' ? (char)(c - 'a' + 'A') : c; }

bool SamePath(const char *a, const char *b)
{
    for (; *a && *b; a++, b++)
        if (FoldLetter(*a) != FoldLetter(*b))
            return false;
    return *a == *b;
}

// Copies text into out (size bytes) with every '&' doubled; stops before a
// character that would not fit whole.
size_t AppendEscaped(char *out, size_t size, size_t used, const char *text, size_t length)
{
    for (size_t i = 0; i < length && text[i]; i++) {
        const size_t need = text[i] == '&' ? 2 : 1;
        if (used + need >= size)
            break;
        out[used++] = text[i];
        if (need == 2)
            out[used++] = '&';
    }
    out[used] = 0;
    return used;
}

} // namespace

int RecentFind(const RecentList &list, const char *path)
{
    for (int i = 0; i < list.count; i++)
        if (SamePath(list.paths[i], path))
            return i;
    return -1;
}

bool RecentAdd(RecentList &list, const char *path)
{
    const size_t length = path ? strlen(path) : 0;
    if (length == 0 || length >= (size_t)RECENT_PATH_CHARS)
        return false;
    int from = RecentFind(list, path);
    if (from == 0 && strcmp(list.paths[0], path) == 0)
        return false;
    if (from < 0)
        from = list.count < RECENT_MAX ? list.count++ : RECENT_MAX - 1;
    memmove(list.paths[1], list.paths[0], (size_t)from * sizeof list.paths[0]);
    memcpy(list.paths[0], path, length + 1);
    return true;
}

bool RecentRemove(RecentList &list, int index)
{
    if (index < 0 || index >= list.count)
        return false;
    memmove(list.paths[index], list.paths[index + 1], (size_t)(list.count - index - 1) * sizeof list.paths[0]);
    list.count--;
    memset(list.paths[list.count], 0, sizeof list.paths[0]);
    return true;
}

void RecentMenuLabel(const char *path, int index, char *label, size_t labelSize)
{
    if (!label || labelSize == 0)
        return;
    label[0] = 0;
    int used = snprintf(label, labelSize, "&%d ", index + 1);
    if (used < 0 || (size_t)used >= labelSize || !path)
        return;
    const size_t length = strlen(path);
    if (length <= LABEL_PATH_CHARS) {
        AppendEscaped(label, labelSize, (size_t)used, path, length);
        return;
    }
    // The first folder (with the drive), "...", then as much of the end as
    // fits, starting at a folder boundary: the file name always shows.
    const char *name = path + length;
    while (name > path && name[-1] != '\\' && name[-1] != '/')
        name--;
    const char *head_end = path;
    int separators = 0;
    for (const char *p = path; *p && p < name; p++) {
        if (*p == '\\' || *p == '/') {
            head_end = p + 1;
            if (++separators == 2)
                break;
        }
    }
    const size_t head = (size_t)(head_end - path);
    const char *tail = name;
    const size_t budget = LABEL_PATH_CHARS > head + 4 ? LABEL_PATH_CHARS - head - 4 : 0;
    for (const char *p = name - 1; p > head_end; p--) {
        if ((*p == '\\' || *p == '/') && (size_t)(path + length - (p + 1)) <= budget)
            tail = p + 1;
        else if ((size_t)(path + length - p) > budget)
            break;
    }
    size_t at = AppendEscaped(label, labelSize, (size_t)used, path, head);
    at = AppendEscaped(label, labelSize, at, "...\\", 4);
    AppendEscaped(label, labelSize, at, tail, strlen(tail));
}
