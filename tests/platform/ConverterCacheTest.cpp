#include "platform/ConverterCache.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace {

QString convert(const DictionaryConverter& converter, const QString& text) {
    std::u16string out;
    converter.convert(text.toStdU16String(), nullptr, out);
    return QString::fromStdU16String(out);
}

QString realText() {
    QFile file(QStringLiteral(QM_TEST_DATA "/convert/simplified.txt"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return QString::fromUtf8(file.readAll());
}

// A configuration with two stages, copied with its dictionaries so that the test can change them.
class ConverterCacheTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QDir().mkpath(dictionaries()));
        for (const char* name : {"s2tw.json", "STPhrases.ocd2", "STCharacters.ocd2", "TWVariants.ocd2"})
            ASSERT_TRUE(QFile::copy(QStringLiteral("/usr/share/opencc/") + QLatin1String(name),
                                    dictionaries() + QLatin1String(name)));
        FileError error;
        expected = convert(*DictionaryConverter::load("/usr/share/opencc/s2tw.json", &error), text);
    }

    QString dictionaries() const { return m_root.path() + QStringLiteral("/opencc/"); }
    QString cache() const { return m_root.path() + QStringLiteral("/cache"); }
    QString copyPath() const {
        const QStringList copies = QDir(cache()).entryList(QDir::Files);
        return copies.size() == 1 ? cache() + u'/' + copies[0] : QString();
    }

    // Loads through the cache; the converter must give OpenCC's tables' output either way.
    bool loadFromCache() {
        FileError error;
        bool fromCache = false;
        const auto converter = ConverterCache::load((dictionaries() + QStringLiteral("s2tw.json")).toStdString(),
                                                    cache(), &error, &fromCache);
        EXPECT_TRUE(converter) << error.description.toStdString();
        if (converter) {
            EXPECT_EQ(convert(*converter, text), expected);
        }
        return fromCache;
    }

    const QString text = realText();
    QString expected;

private:
    QTemporaryDir m_root;
};

TEST_F(ConverterCacheTest, TheCopyIsUsedWhileItsSourcesStayTheSame) {
    EXPECT_FALSE(loadFromCache());
    ASSERT_FALSE(copyPath().isEmpty());
    EXPECT_TRUE(loadFromCache());
}

TEST_F(ConverterCacheTest, AStaleOrDamagedCopyIsMadeAgain) {
    auto editCopy = [this](const std::function<void(QByteArray&)>& edit) {
        QFile file(copyPath());
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        QByteArray bytes = file.readAll();
        edit(bytes);
        file.resize(0);
        file.seek(0);
        file.write(bytes);
    };
    const struct {
        const char* rule;
        std::function<void()> damage;
    } rows[] = {
        {"a dictionary changed",
         [this] {
             QFile file(dictionaries() + QStringLiteral("TWVariants.ocd2"));
             ASSERT_TRUE(file.open(QIODevice::ReadWrite));
             file.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime);
         }},
        {"the copy cut short",
         [&] {
             editCopy([](QByteArray& bytes) { bytes.truncate(bytes.size() / 2); });
         }},
        {"a byte of the tables changed",
         [&] {
             editCopy([](QByteArray& bytes) { bytes[bytes.size() - 9] ^= 0x20; });
         }},
        {"another format version",
         [&] {
             editCopy([](QByteArray& bytes) { bytes[8] = 99; });
         }},
        {"an empty copy",
         [&] {
             editCopy([](QByteArray& bytes) { bytes.clear(); });
         }},
    };
    EXPECT_FALSE(loadFromCache());
    for (const auto& row : rows) {
        row.damage();
        EXPECT_FALSE(loadFromCache()) << row.rule;
        EXPECT_TRUE(loadFromCache()) << row.rule << ": made again";
    }
}

} // namespace
