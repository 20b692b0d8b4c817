// The converter against OpenCC itself, byte for byte: written cases, real text and random strings made
// of dictionary keys, pieces of keys and keys that overlap, under every configuration OpenCC ships.

#include "platform/DictionaryConverter.h"

#include <QFile>
#include <QStringList>

#include <opencc/Config.hpp>
#include <opencc/Conversion.hpp>
#include <opencc/ConversionChain.hpp>
#include <opencc/Converter.hpp>
#include <opencc/DictGroup.hpp>
#include <opencc/Lexicon.hpp>
#include <opencc/MaxMatchSegmentation.hpp>
#include <opencc/SimpleConverter.hpp>

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace {

const char* const Configs[] = {"s2t.json",   "t2s.json",  "s2tw.json", "tw2s.json", "s2twp.json",
                               "tw2sp.json", "s2hk.json", "hk2s.json", "t2tw.json", "tw2t.json",
                               "t2hk.json",  "hk2t.json", "t2jp.json", "jp2t.json"};

std::string configPath(const char* name) {
    return std::string("/usr/share/opencc/") + name;
}

// OpenCC as the program called it before: runs between characters that cannot travel through UTF-8
// (lone surrogates) or would end OpenCC's reading (NUL) are converted one by one.
QString oracle(const opencc::SimpleConverter& opencc, const QString& text) {
    QString out;
    qsizetype start = 0;
    auto flush = [&](qsizetype end) {
        if (end > start) {
            const QByteArray utf8 = text.sliced(start, end - start).toUtf8();
            out += QString::fromStdString(opencc.Convert(utf8.constData(), size_t(utf8.size())));
        }
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        if (c.isSurrogate() || c.unicode() == 0) {
            flush(i);
            out += c;
            start = i + 1;
        }
    }
    flush(text.size());
    return out;
}

QString ours(const DictionaryConverter& converter, const QString& text) {
    std::u16string out;
    converter.convert(std::u16string_view(reinterpret_cast<const char16_t*>(text.constData()), size_t(text.size())),
                      nullptr, out);
    return QString(reinterpret_cast<const QChar*>(out.data()), qsizetype(out.size()));
}

struct Pair {
    std::unique_ptr<DictionaryConverter> ours;
    std::unique_ptr<opencc::SimpleConverter> opencc;
};

Pair& pairFor(const char* config) {
    static std::map<std::string, Pair> loaded;
    Pair& pair = loaded[config];
    if (!pair.ours) {
        FileError error;
        pair.ours = DictionaryConverter::load(configPath(config), &error);
        EXPECT_TRUE(pair.ours) << config << ": " << error.description.toStdString();
        pair.opencc = std::make_unique<opencc::SimpleConverter>(configPath(config));
    }
    return pair;
}

// Compares every text; reports the first few that differ and how many did.
void expectSameAsOpenCC(const char* config, const QStringList& texts, const char* what) {
    Pair& pair = pairFor(config);
    ASSERT_TRUE(pair.ours);
    int differing = 0;
    for (const QString& text : texts) {
        const QString expected = oracle(*pair.opencc, text);
        const QString got = ours(*pair.ours, text);
        if (got != expected && ++differing <= 3)
            ADD_FAILURE() << config << ", " << what << ": " << text.toStdString()
                          << "\n  OpenCC: " << expected.toStdString() << "\n  ours:   " << got.toStdString();
    }
    EXPECT_EQ(differing, 0) << config << ", " << what << ", of " << texts.size();
}

TEST(ConverterDifferentialTest, WrittenCasesGiveOpenCCsOutput) {
    const QStringList cases = {
        QString(),
        QStringLiteral("Chapter 1: plain ASCII"),
        QStringLiteral("简体中文和繁體中文混在一起"),
        QStringLiteral("干燥的干部在后宫里看皇后梳头发"),
        QStringLiteral("乾隆年間乾燥的天氣，瞭解了頭髮"),
        QStringLiteral("被发明的东西；我的士兵；少数组织；鼠标和软件"),
        QStringLiteral("計程車、滑鼠、軟體與資料庫"),
        QStringLiteral("一千万个为什么，着急着着实着落"),
        QStringLiteral("香港記者跑得快，回覆覆蓋"),
        QStringLiteral("𠍀头发𩸽魚𠍀"),
        QStringLiteral("头") + QChar(0xDC81) + QStringLiteral("发") + QChar(0) + QStringLiteral("展") + QChar(0xD840),
        QStringLiteral("第1章 Hello，ＡＢＣ　汉字。。。"),
        QStringLiteral("发发发发发发发发发发发发发发发发"),
        QStringLiteral("中华人民共和国中華人民共和國"),
    };
    for (const char* config : Configs)
        expectSameAsOpenCC(config, cases, "written cases");
}

QStringList linesOf(const char* name) {
    QFile file(QStringLiteral(QM_TEST_DATA "/convert/") + QString::fromLatin1(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return QString::fromUtf8(file.readAll()).split(u'\n');
}

TEST(ConverterDifferentialTest, RealTextGivesOpenCCsOutput) {
    // Each file whole as well as line by line: a long text crosses more phrase boundaries.
    const QStringList simplified = linesOf("simplified.txt");
    const QStringList traditional = linesOf("traditional.txt");
    const QStringList all = simplified + traditional + QStringList{simplified.join(u'\n'), traditional.join(u'\n')};
    for (const char* config : Configs)
        expectSameAsOpenCC(config, all, "real text");
}

// Every key and value of every dictionary of a configuration, and the keys by their first character.
struct Vocabulary {
    QStringList keys;
    QStringList values;
    std::map<QChar, QStringList> keysByFirst;

    void add(const opencc::DictPtr& dict) {
        if (const auto group = std::dynamic_pointer_cast<opencc::DictGroup>(dict)) {
            for (const opencc::DictPtr& member : group->GetDicts())
                add(member);
            return;
        }
        for (const auto& entry : *dict->GetLexicon()) {
            const QString key = QString::fromStdString(entry->Key());
            keys.append(key);
            keysByFirst[key[0]].append(key);
            values.append(QString::fromStdString(entry->GetDefault()));
        }
    }

    explicit Vocabulary(const char* config) {
        opencc::Config reader;
        const opencc::ConverterPtr converter = reader.NewFromFile(configPath(config));
        add(std::static_pointer_cast<opencc::MaxMatchSegmentation>(converter->GetSegmentation())->GetDict());
        for (const opencc::ConversionPtr& conversion : converter->GetConversionChain()->GetConversions())
            add(conversion->GetDict());
    }
};

// Strings of keys, halves of keys, values, keys that overlap the one before (its last character is
// the next key's first) and now and then something no dictionary holds.
QStringList randomStrings(const Vocabulary& words, int count, std::mt19937& random) {
    const QStringList others = {QStringLiteral(" "),  QStringLiteral("，"),   QStringLiteral("a1"),
                                QStringLiteral("𠍀"), QString(QChar(0xDC80)), QString(QChar(0))};
    auto pick = [&random](const QStringList& list) {
        return list[qsizetype(random() % size_t(list.size()))];
    };
    QStringList texts;
    for (int n = 0; n < count; ++n) {
        QString text;
        const int pieces = 1 + int(random() % 12);
        for (int i = 0; i < pieces; ++i) {
            const unsigned kind = random() % 20;
            const QString key = pick(words.keys);
            if (kind < 8) {
                text += key;
            } else if (kind < 12 && !text.isEmpty()) {
                auto found = words.keysByFirst.find(text.back());
                text += found == words.keysByFirst.end() ? key : pick(found->second).mid(1);
            } else if (kind < 14) {
                text += key.left(qsizetype(random() % size_t(key.size() + 1)));
            } else if (kind < 16) {
                text += key.mid(qsizetype(random() % size_t(key.size())));
            } else if (kind < 19) {
                text += pick(words.values);
            } else {
                text += pick(others);
            }
        }
        texts.append(text);
    }
    return texts;
}

TEST(ConverterDifferentialTest, RandomKeyStringsGiveOpenCCsOutput) {
    std::mt19937 random(20261207);
    for (const char* config : Configs) {
        const Vocabulary words(config);
        expectSameAsOpenCC(config, randomStrings(words, 1500, random), "random key strings");
    }
}

} // namespace
