#include "feed/FeedDocument.h"

#include <QHash>

// The named character entities of HTML 4: what feeds copy from web pages into
// their titles and descriptions without declaring them.
namespace {

// U+00A0 to U+00FF in order.
const char *const latin1Names[96] = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",
    "uml",    "copy",   "ordf",   "laquo",  "not",    "shy",    "reg",    "macr",
    "deg",    "plusmn", "sup2",   "sup3",   "acute",  "micro",  "para",   "middot",
    "cedil",  "sup1",   "ordm",   "raquo",  "frac14", "frac12", "frac34", "iquest",
    "Agrave", "Aacute", "Acirc",  "Atilde", "Auml",   "Aring",  "AElig",  "Ccedil",
    "Egrave", "Eacute", "Ecirc",  "Euml",   "Igrave", "Iacute", "Icirc",  "Iuml",
    "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",   "times",
    "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",  "szlig",
    "agrave", "aacute", "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil",
    "egrave", "eacute", "ecirc",  "euml",   "igrave", "iacute", "icirc",  "iuml",
    "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide",
    "oslash", "ugrave", "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml"};

// Greek capitals U+0391 to U+03A9 (U+03A2 is unassigned) and small letters U+03B1 to U+03C9.
const char *const greekNames[25] = {
    "alpha", "beta", "gamma", "delta", "epsilon", "zeta",  "eta",     "theta", "iota",
    "kappa", "lambda", "mu",  "nu",    "xi",      "omicron", "pi",  "rho",   "sigmaf",
    "sigma", "tau",  "upsilon", "phi", "chi",     "psi",   "omega"};

struct Named {
    const char *name;
    char32_t code;
};

const Named otherNames[] = {
    {"fnof", 402},      {"thetasym", 977}, {"upsih", 978},   {"piv", 982},     {"bull", 8226},
    {"hellip", 8230},   {"prime", 8242},   {"Prime", 8243},  {"oline", 8254},  {"frasl", 8260},
    {"weierp", 8472},   {"image", 8465},   {"real", 8476},   {"trade", 8482},  {"alefsym", 8501},
    {"larr", 8592},     {"uarr", 8593},    {"rarr", 8594},   {"darr", 8595},   {"harr", 8596},
    {"crarr", 8629},    {"lArr", 8656},    {"uArr", 8657},   {"rArr", 8658},   {"dArr", 8659},
    {"hArr", 8660},     {"forall", 8704},  {"part", 8706},   {"exist", 8707},  {"empty", 8709},
    {"nabla", 8711},    {"isin", 8712},    {"notin", 8713},  {"ni", 8715},     {"prod", 8719},
    {"sum", 8721},      {"minus", 8722},   {"lowast", 8727}, {"radic", 8730},  {"prop", 8733},
    {"infin", 8734},    {"ang", 8736},     {"and", 8743},    {"or", 8744},     {"cap", 8745},
    {"cup", 8746},      {"int", 8747},     {"there4", 8756}, {"sim", 8764},    {"cong", 8773},
    {"asymp", 8776},    {"ne", 8800},      {"equiv", 8801},  {"le", 8804},     {"ge", 8805},
    {"sub", 8834},      {"sup", 8835},     {"nsub", 8836},   {"sube", 8838},   {"supe", 8839},
    {"oplus", 8853},    {"otimes", 8855},  {"perp", 8869},   {"sdot", 8901},   {"lceil", 8968},
    {"rceil", 8969},    {"lfloor", 8970},  {"rfloor", 8971}, {"lang", 9001},   {"rang", 9002},
    {"loz", 9674},      {"spades", 9824},  {"clubs", 9827},  {"hearts", 9829}, {"diams", 9830},
    {"OElig", 338},     {"oelig", 339},    {"Scaron", 352},  {"scaron", 353},  {"Yuml", 376},
    {"circ", 710},      {"tilde", 732},    {"ensp", 8194},   {"emsp", 8195},   {"thinsp", 8201},
    {"zwnj", 8204},     {"zwj", 8205},     {"lrm", 8206},    {"rlm", 8207},    {"ndash", 8211},
    {"mdash", 8212},    {"lsquo", 8216},   {"rsquo", 8217},  {"sbquo", 8218},  {"ldquo", 8220},
    {"rdquo", 8221},    {"bdquo", 8222},   {"dagger", 8224}, {"Dagger", 8225}, {"permil", 8240},
    {"lsaquo", 8249},   {"rsaquo", 8250},  {"euro", 8364}};

QHash<QString, char32_t> makeTable()
{
    QHash<QString, char32_t> table;
    for (int i = 0; i < 96; ++i)
        table.insert(QLatin1String(latin1Names[i]), char32_t(0xA0 + i));
    for (int i = 0; i < 25; ++i) {
        const char32_t small = char32_t(0x3B1 + i);
        QString name = QLatin1String(greekNames[i]);
        table.insert(name, small);
        if (small != 0x3C2) { // final sigma has no capital
            name[0] = name[0].toUpper();
            table.insert(name, small - 0x20);
        }
    }
    for (const Named &n : otherNames)
        table.insert(QLatin1String(n.name), n.code);
    return table;
}

} // namespace

char32_t FeedDocument::htmlEntity(QStringView name)
{
    static const QHash<QString, char32_t> table = makeTable();
    return table.value(name.toString(), 0);
}
