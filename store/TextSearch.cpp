#include "store/TextSearch.h"

#include "platform/Codepage.h"

#include <sqlite3.h>

#include <memory>

namespace TextSearch {

namespace {

char foldAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

QString foldAscii(QString text)
{
    for (QChar &c : text) {
        if (c.unicode() >= 'A' && c.unicode() <= 'Z')
            c = QChar(c.unicode() - 'A' + 'a');
    }
    return text;
}

bool isAscii(QByteArrayView bytes)
{
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

// Byte search with Latin letters folded. Every real match is also a match
// here (the code page writes each character on its own, with the same bytes
// everywhere); the reverse holds only for ASCII text.
bool bytesContain(QByteArrayView text, QByteArrayView folded)
{
    const qsizetype n = folded.size();
    if (n == 0)
        return true;
    const char first = folded[0];
    for (qsizetype i = 0; i + n <= text.size(); ++i) {
        if (foldAscii(text[i]) != first)
            continue;
        qsizetype k = 1;
        while (k < n && foldAscii(text[i + k]) == folded[k])
            ++k;
        if (k == n)
            return true;
    }
    return false;
}

// The needle as one statement uses it on every row.
struct Needle {
    explicit Needle(QByteArrayView bytes)
    {
        folded.reserve(bytes.size());
        for (char c : bytes)
            folded.append(foldAscii(c));
        ascii = isAscii(bytes);
        text = foldAscii(Codepage::fromLegacy(bytes));
    }
    QByteArray folded;
    QString text;
    bool ascii = true;
};

bool matches(QByteArrayView text, const Needle &needle)
{
    if (!bytesContain(text, needle.folded))
        return false;
    if (needle.ascii && isAscii(text))
        return true;
    return foldAscii(Codepage::fromLegacy(text)).contains(needle.text);
}

QByteArrayView bytesOf(sqlite3_value *value)
{
    const auto *bytes = reinterpret_cast<const char *>(sqlite3_value_text(value));
    return bytes ? QByteArrayView(bytes, sqlite3_value_bytes(value)) : QByteArrayView();
}

// textcontains(needle, text, ...): 1 when any non-NULL text contains the needle.
void textContains(sqlite3_context *context, int argc, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    // The needle is the same on every row: prepared once and kept with the statement.
    auto *kept = static_cast<Needle *>(sqlite3_get_auxdata(context, 0));
    std::unique_ptr<Needle> made;
    if (!kept)
        made = std::make_unique<Needle>(bytesOf(argv[0]));
    const Needle &needle = kept ? *kept : *made;
    bool found = false;
    for (int i = 1; i < argc && !found; ++i) {
        if (sqlite3_value_type(argv[i]) != SQLITE_NULL)
            found = matches(bytesOf(argv[i]), needle);
    }
    sqlite3_result_int(context, found ? 1 : 0);
    if (made)
        sqlite3_set_auxdata(context, 0, made.release(), [](void *p) { delete static_cast<Needle *>(p); });
}

} // namespace

void registerFunction(sqlite3 *db)
{
    sqlite3_create_function_v2(db, "textcontains", -1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                               textContains, nullptr, nullptr, nullptr);
}

bool contains(QByteArrayView text, QByteArrayView needle)
{
    return matches(text, Needle(needle));
}

} // namespace TextSearch
