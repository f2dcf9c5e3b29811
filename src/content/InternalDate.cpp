#include "content/InternalDate.h"

#include "content/MIMEFormats.h"

namespace {

int digits(QStringView text, qsizetype at, qsizetype count)
{
    int value = 0;
    for (qsizetype i = at; i < at + count; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c - u'0');
    }
    return value;
}

int month(QStringView name)
{
    static const char16_t* const names[] = {u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun",
                                            u"Jul", u"Aug", u"Sep", u"Oct", u"Nov", u"Dec"};
    for (int m = 0; m < 12; ++m) {
        if (name == QStringView(names[m]))
            return m + 1;
    }
    return 0;
}

// "d-MMM-yyyy HH:mm:ss +hhmm" exactly, with a valid date, time and offset; none otherwise.
// Years before 1600 are left to ICU, whose calendar turns Julian before 1582.
std::optional<QDateTime> canonical(QStringView text)
{
    const qsizetype dayLength = text.size() - 24;
    if (dayLength != 1 && dayLength != 2)
        return std::nullopt;
    const QStringView rest = text.sliced(dayLength);
    if (rest[0] != u'-' || rest[4] != u'-' || rest[9] != u' ' || rest[12] != u':' || rest[15] != u':'
        || rest[18] != u' ' || (rest[19] != u'+' && rest[19] != u'-'))
        return std::nullopt;
    const QDate date(digits(rest, 5, 4), month(rest.sliced(1, 3)), digits(text, 0, dayLength));
    const QTime time(digits(rest, 10, 2), digits(rest, 13, 2), digits(rest, 16, 2));
    const int offsetHours = digits(rest, 20, 2), offsetMinutes = digits(rest, 22, 2);
    if (!date.isValid() || date.year() < 1600 || !time.isValid() || offsetHours < 0 || offsetHours > 14
        || offsetMinutes < 0 || offsetMinutes > 59)
        return std::nullopt;
    const int offset = (rest[19] == u'-' ? -1 : 1) * (offsetHours * 3600 + offsetMinutes * 60);
    return QDateTime(date, time, Qt::UTC).addSecs(-offset);
}

}  // namespace

namespace MIME {

std::optional<QDateTime> readInternalDate(QStringView text)
{
    if (std::optional<QDateTime> fast = canonical(text))
        return fast;
    return internalFormat().parse(text.toString());
}

}  // namespace MIME
