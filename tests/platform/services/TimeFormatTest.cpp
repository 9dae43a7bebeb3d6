// The time-zone field leaves every locale's time format exactly as the
// expression the lists once used removed it; the expression stands here as
// the independent reference, over all of Qt's locale data.
#include <gtest/gtest.h>

#include <QLocale>
#include <QRegularExpression>

#include "platform/services/TimeFormat.h"

namespace qsr::services {
namespace {

QString ByExpression(QString format) {
    return format.remove(QRegularExpression(QStringLiteral("\\s*\\(?t+\\)?")));
}

TEST(TimeFormat, EveryLocaleLosesItsZoneFieldAsTheExpressionRemovesIt) {
    const QList<QLocale> locales =
        QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
    ASSERT_GT(locales.size(), 100);
    int withZone = 0;
    for (const QLocale& locale : locales) {
        for (const QLocale::FormatType type : {QLocale::LongFormat, QLocale::ShortFormat}) {
            const QString format = locale.timeFormat(type);
            withZone += format.contains(u't');
            EXPECT_EQ(TimeFormatWithoutZone(format), ByExpression(format))
                << locale.name().toStdString() << ": " << format.toStdString();
        }
    }
    EXPECT_GT(withZone, 0);  // the data did exercise the field
    // Shapes the data may lack: a bracket without a zone, a zone first, a
    // narrow no-break space, a doubled field.
    for (const QString& format :
         {QStringLiteral("HH:mm (x) t"), QStringLiteral("t HH:mm"), QStringLiteral("h:mm\u202ftt"),
          QStringLiteral("HH ( ttt) (t)t"), QStringLiteral("(")}) {
        EXPECT_EQ(TimeFormatWithoutZone(format), ByExpression(format)) << format.toStdString();
    }
    EXPECT_EQ(TimeFormatWithoutZone(QStringLiteral("HH:mm:ss (t)")), QStringLiteral("HH:mm:ss"));
}

}  // namespace
}  // namespace qsr::services
