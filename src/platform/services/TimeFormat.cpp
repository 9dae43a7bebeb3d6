#include "platform/services/TimeFormat.h"

namespace qsr::services {
namespace {

// ASCII blanks only: a no-break or narrow space before the field stays, as
// the lists always kept it.
bool Blank(QChar c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

}  // namespace

QString TimeFormatWithoutZone(const QString& format) {
    QString kept;
    kept.reserve(format.size());
    const qsizetype n = format.size();
    qsizetype i = 0;
    while (i < n) {
        // The field may start here: blanks, an opening bracket, then "t".
        qsizetype j = i;
        while (j < n && Blank(format[j])) ++j;
        if (j < n && format[j] == u'(') ++j;
        if (j < n && format[j] == u't') {
            while (j < n && format[j] == u't') ++j;
            if (j < n && format[j] == u')') ++j;
            i = j;
            continue;
        }
        kept += format[i++];
    }
    return kept;
}

}  // namespace qsr::services
