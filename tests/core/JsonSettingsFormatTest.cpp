#include "core/JsonSettingsFormat.h"

#include <QBuffer>
#include <QSize>
#include <QTest>

class JsonSettingsFormatTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void valueKeepsItsType_data();
    void valueKeepsItsType();
    void unreadableText_data();
    void unreadableText();
    void streamedQtValuesAreNotRead();
};

namespace {

QByteArray written(const QSettings::SettingsMap& map)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    JsonSettingsFormat::write(buffer, map);
    return buffer.data();
}

}

void JsonSettingsFormatTest::valueKeepsItsType_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::newRow("true") << QVariant(true);
    QTest::newRow("false") << QVariant(false);
    QTest::newRow("the string true") << QVariant(QStringLiteral("true"));
    QTest::newRow("the string 3") << QVariant(QStringLiteral("3"));
    QTest::newRow("zero") << QVariant(0);
    QTest::newRow("negative integer") << QVariant(-7);
    QTest::newRow("integer past 32 bits") << QVariant(qlonglong(1) << 40);
    QTest::newRow("fraction") << QVariant(0.36);
    QTest::newRow("whole double") << QVariant(1.0);
    QTest::newRow("double zero") << QVariant(0.0);
    QTest::newRow("bytes, not UTF-8") << QVariant(QByteArray("\xff\x00[{\"", 5));
    QTest::newRow("empty bytes") << QVariant(QByteArray(""));
    QTest::newRow("list of strings") << QVariant(QVariantList{QStringLiteral("FOCUS"), QStringLiteral("TO DO")});
    QTest::newRow("mixed list") << QVariant(QVariantList{1, true, QStringLiteral("x"), QByteArray("y")});
    QTest::newRow("map of integers") << QVariant(QVariantMap{{QStringLiteral("A-1"), 2}, {QStringLiteral("B-2"), 5}});
    QTest::newRow("map with one @ key") << QVariant(QVariantMap{{QStringLiteral("@home"), 1}});
    QTest::newRow("nested map") << QVariant(QVariantMap{{QStringLiteral("m"), QVariantMap{{QStringLiteral("n"), 0.5}}}});
}

void JsonSettingsFormatTest::valueKeepsItsType()
{
    QFETCH(QVariant, value);
    QBuffer file;
    file.setData(written({{QStringLiteral("key"), value}}));
    file.open(QIODevice::ReadOnly);
    QSettings::SettingsMap map;
    QVERIFY(JsonSettingsFormat::read(file, map));
    const QVariant back = map.value(QStringLiteral("key"));
    QCOMPARE(back.typeId(), value.typeId());
    QCOMPARE(back, value);
}

void JsonSettingsFormatTest::unreadableText_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("cut short") << QByteArray(R"({"dark": tru)");
    QTest::newRow("a list at the top") << QByteArray("[1, 2]");
    QTest::newRow("binary") << QByteArray("\x00\x01\x02", 3);
}

void JsonSettingsFormatTest::unreadableText()
{
    QFETCH(QByteArray, text);
    QBuffer file(&text);
    file.open(QIODevice::ReadOnly);
    QSettings::SettingsMap map;
    QVERIFY(!JsonSettingsFormat::read(file, map));
}

void JsonSettingsFormatTest::streamedQtValuesAreNotRead()
{
    // Bytes that Qt's binary reader of a QBitArray would have written out of bounds with.
    QByteArray text = R"({"k": {"@variant": "AAAADQCCCCC|CCCCCCC\u0001CA="}})";
    QBuffer file(&text);
    file.open(QIODevice::ReadOnly);
    QSettings::SettingsMap map;
    QVERIFY(JsonSettingsFormat::read(file, map));
    QCOMPARE(map.value("k").typeId(), QMetaType::QVariantMap);
}

QTEST_GUILESS_MAIN(JsonSettingsFormatTest)
#include "JsonSettingsFormatTest.moc"
