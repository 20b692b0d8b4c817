#include "engine/InvisibleCharacters.h"
#include "engine/Transformations.h"
#include "engine/Typesetter.h"

#include "platform/TextReader.h"
#include "platform/TextWriter.h"

#include "TextShown.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

TypesetOptions lineOptions(QuoteStyle quotes = QuoteStyle::Mainland) {
    TypesetOptions options;
    options.quotes = quotes;
    options.indent = IndentStyle::None;
    return options;
}

QString setLine(const QString& line, const TypesetOptions& options) {
    QString out = typesetText(line + u'\n', options);
    out.chop(1);
    return out;
}

// Sentences of real Chinese text (most from tests/data/book/sentences.txt with their full-width marks
// made half-width and their quotation marks straight) and the marks they must get back.
TEST(Typeset, PunctuationAndQuotesOfRealSentences) {
    const struct {
        QString input;
        QString expected;
    } rows[] = {
        // Numbers, times, URLs, e-mail addresses, file names and Latin text keep their marks.
        {u"圆周率是3.14,约等于22/7."_s, u"圆周率是3.14，约等于22/7。"_s},
        {u"共有1,000人参加."_s, u"共有1,000人参加。"_s},
        {u"会议在12:30开始."_s, u"会议在12:30开始。"_s},
        {u"时间:12:30"_s, u"时间：12:30"_s},
        {u"现在是下午3:45了"_s, u"现在是下午3:45了"_s},
        {u"网址是http://www.example.com/a?b=1,请访问."_s, u"网址是http://www.example.com/a?b=1，请访问。"_s},
        {u"网址https://example.org/a?id=1&b=2,谢谢"_s, u"网址https://example.org/a?id=1&b=2，谢谢"_s},
        {u"访问www.example.com."_s, u"访问www.example.com。"_s},
        {u"发邮件到user.name@example.com,谢谢!"_s, u"发邮件到user.name@example.com，谢谢！"_s},
        {u"请打开readme.txt文件."_s, u"请打开readme.txt文件。"_s},
        {u"文件名是config.ini,不要改."_s, u"文件名是config.ini，不要改。"_s},
        {u"使用Node.js开发"_s, u"使用Node.js开发"_s},
        {u"版本v1.2.3发布了!"_s, u"版本v1.2.3发布了！"_s},
        {u"5. 按下回车"_s, u"5. 按下回车"_s},
        {u"Hello, world! It's 12:30."_s, u"Hello, world! It's 12:30."_s},
        {u"e.g. this is English (mostly)."_s, u"e.g. this is English (mostly)."_s},
        {u"\"Hello,\" he said."_s, u"\"Hello,\" he said."_s},
        {u"Don't worry, 我们会处理."_s, u"Don't worry，我们会处理。"_s},
        {u"他说I'm fine."_s, u"他说I'm fine。"_s},
        {u"2020-01-01是元旦"_s, u"2020-01-01是元旦"_s},
        // Sentence marks next to Chinese, repeated marks, a space after a mark.
        {u"真的吗??"_s, u"真的吗？？"_s},
        {u"好!我们走吧."_s, u"好！我们走吧。"_s},
        {u"第一;第二;第三."_s, u"第一；第二；第三。"_s},
        {u"好的, 我们走"_s, u"好的，我们走"_s},
        {u"你用过Linux?"_s, u"你用过Linux？"_s},
        // Ellipses and dashes.
        {u"他说...我不知道"_s, u"他说……我不知道"_s},
        {u"等等。。。"_s, u"等等……"_s},
        {u"然后…他走了"_s, u"然后……他走了"_s},
        {u"他沉默了……很久"_s, u"他沉默了……很久"_s},
        {u"wait... what"_s, u"wait... what"_s},
        {u"从1...10"_s, u"从1...10"_s},
        {u"这是--真的"_s, u"这是——真的"_s},
        {u"这是—真的"_s, u"这是——真的"_s},
        {u"他说——好"_s, u"他说——好"_s},
        {u"A--B"_s, u"A--B"_s},
        // Parentheses.
        {u"张三(男)说"_s, u"张三（男）说"_s},
        {u"函数f(x)的值"_s, u"函数f(x)的值"_s},
        {u"(1)第一条"_s, u"(1)第一条"_s},
        {u"中文(English)中文"_s, u"中文（English）中文"_s},
        {u"(注:见上文)"_s, u"（注：见上文）"_s},
        // Quotation marks: straight ones around Chinese, nesting three deep, the other region's marks.
        {u"他说:\"你好!\""_s, u"他说：“你好！”"_s},
        {u"他说'好的'."_s, u"他说“好的”。"_s},
        {u"他说\"OK\"就走了"_s, u"他说“OK”就走了"_s},
        {u"他说:\"她告诉我'他说\"快走\"'.\""_s, u"他说：“她告诉我‘他说“快走”’。”"_s},
        {u"「他说：『她说「走」』」"_s, u"“他说：‘她说“走”’”"_s},
        {u"“他说：“她说：“走”””"_s, u"“他说：‘她说：“走”’”"_s},
        {u"在 \"/usr/local\" 或 \"/opt\" 目录"_s, u"在 “/usr/local” 或 “/opt” 目录"_s},
        {u"vim '+w' '+q' 文件"_s, u"vim '+w' '+q' 文件"_s},
        {u"IP=\"192.168.1.1\""_s, u"IP=\"192.168.1.1\""_s},
        {u"rock'n'roll是音乐"_s, u"rock'n'roll是音乐"_s},
        {u"don’t说“好”"_s, u"don’t说“好”"_s},
        // Invisible characters go before the marks are judged; other format characters stay.
        {u"零\u200B宽\u00AD空\uFEFF格\u2060字"_s, u"零宽空格字"_s},
        {u"中\u200B,文"_s, u"中，文"_s},
        {u"方向\u202A标记\u202C"_s, u"方向\u202A标记\u202C"_s},
        {u"参见第 6.9.6 节 \"怎样通过 SSH 关闭远程系统\"."_s, u"参见第 6.9.6 节 “怎样通过 SSH 关闭远程系统”。"_s},
        {u"* 根目录有很多分支,例如\"/etc/\"和\"/usr/\"."_s, u"* 根目录有很多分支，例如“/etc/”和“/usr/”。"_s},
        {u"当运行时带有\"-l\"选项,它将按给定顺序显示下列信息."_s,
         u"当运行时带有“-l”选项，它将按给定顺序显示下列信息。"_s},
        {u"* \"/dev/sr0\"的主设备号是11,次设备号是0."_s, u"* “/dev/sr0”的主设备号是11，次设备号是0。"_s},
        {u"对于语言环境配置的细节,参见第 8.4 节 \"语言环境\"."_s,
         u"对于语言环境配置的细节，参见第 8.4 节 “语言环境”。"_s},
        {u"+ emacs(1) 是一个屏幕编辑器."_s, u"+ emacs(1) 是一个屏幕编辑器。"_s},
        {u"$ vim '+%s/FROM_REGEX/TO_TEXT/gc' '+w' '+q' file提示上面的 \"c\" 标志可以确保在每次替换时都进行交互式的确认."_s,
         u"$ vim '+%s/FROM_REGEX/TO_TEXT/gc' '+w' '+q' file提示上面的 “c” 标志可以确保在每次替换时都进行交互式的确认。"_s},
        {u"* apt-get(8) 用于从脚本中调用 Debian 软件包管理系统."_s,
         u"* apt-get(8) 用于从脚本中调用 Debian 软件包管理系统。"_s},
        {u"* 不要删除或修改 \"/var/lib/dpkg/\" 中的文件."_s, u"* 不要删除或修改 “/var/lib/dpkg/” 中的文件。"_s},
        {u"* 第二个参数是发行版名称:可以使用套件名或代号."_s, u"* 第二个参数是发行版名称：可以使用套件名或代号。"_s},
        {u"提示当 <regex_pattern> 为空字符串时,请立即在命令后面添加 \"~T\"."_s,
         u"提示当 <regex_pattern> 为空字符串时，请立即在命令后面添加 “~T”。"_s},
        {u"5. 按下 \"l\",并输入 \"~i!~M\" 来限制软件包的显示,在 \"已安装软件包\" 上按下 \"[\" 来陈列无用的软件包,按下 \"-\" 将它们移除."_s,
         u"5. 按下 “l”，并输入 “~i!~M” 来限制软件包的显示，在 “已安装软件包” 上按下 “[” 来陈列无用的软件包，按下 “-” 将它们移除。"_s},
        {u"8. 移除 \"/etc/apt/preferences\" 文件(禁用apt-pinning)."_s,
         u"8. 移除 “/etc/apt/preferences” 文件（禁用apt-pinning）。"_s},
        {u"dpkg(1) 命令只防止解包时的覆盖行为."_s, u"dpkg(1) 命令只防止解包时的覆盖行为。"_s},
        {u"重新安装最小(桌面)系统."_s, u"重新安装最小（桌面）系统。"_s},
        {u"(参见第 2.7.3 节 \"调整候选版本\").你应当考虑使用 chroot 或类似技术(参见第 9.10 节 \"虚拟化系统\")来运行不同档案库的程序."_s,
         u"（参见第 2.7.3 节 “调整候选版本”）。你应当考虑使用 chroot 或类似技术（参见第 9.10 节 “虚拟化系统”）来运行不同档案库的程序。"_s},
        {u"提示bootup(7) 介绍了基于 systemd 的系统启动流程."_s, u"提示bootup(7) 介绍了基于 systemd 的系统启动流程。"_s},
        {u"提示在 Debian jessie 版本后,\"/sbin/init\" 是一个到 \"/lib/systemd/systemd\" 的符号链接."_s,
         u"提示在 Debian jessie 版本后，“/sbin/init” 是一个到 “/lib/systemd/systemd” 的符号链接。"_s},
        {u"4. 编辑根分区的\"/etc/passwd\"文件,使 root 账户条目的第二段为空."_s,
         u"4. 编辑根分区的“/etc/passwd”文件，使 root 账户条目的第二段为空。"_s},
        {u"如 DNS 是 IP=\"192.168.11.1\",则包含如下."_s, u"如 DNS 是 IP=“192.168.11.1”，则包含如下。"_s},
        {u"在启动系统的时候, \"/etc/network/interfaces\" 文件里下面的配置条目启动了回环网络接口 lo ."_s,
         u"在启动系统的时候，“/etc/network/interfaces” 文件里下面的配置条目启动了回环网络接口 lo 。"_s},
        {u"设置 \"Hide local mail name in outgoing mail?\" 选项为 \"<No>\"."_s,
         u"设置 “Hide local mail name in outgoing mail?” 选项为 “<No>”。"_s},
        {u"当设置 mailname 为 \"hostname -f\" 的值时,通过 MTA 的源邮件地址的伪装可以通过如下所示的来实现."_s,
         u"当设置 mailname 为 “hostname -f” 的值时，通过 MTA 的源邮件地址的伪装可以通过如下所示的来实现。"_s},
        {u"尽管 procmail(1) 已经成为 GUN/Linux 上关于带有过滤器的 MDA 的事实标准,作者现在还是喜欢 maildrop(1)."_s,
         u"尽管 procmail(1) 已经成为 GUN/Linux 上关于带有过滤器的 MDA 的事实标准，作者现在还是喜欢 maildrop(1)。"_s},
        {u"如果密码没有设置,使用\"ssh-keygen -p\" 来设置."_s, u"如果密码没有设置，使用“ssh-keygen -p” 来设置。"_s},
        {u"使用下面命令(重新)配置一个 X 服务器."_s, u"使用下面命令（重新）配置一个 X 服务器。"_s},
        {u"3. \"/usr/bin/x-session-manager\" 命令,如果它被定义."_s,
         u"3. “/usr/bin/x-session-manager” 命令，如果它被定义。"_s},
        {u"ASCII 数据(只包含了7位二进制代码)总是合法的 UTF-8 数据(每个字符使用1个字节)."_s,
         u"ASCII 数据（只包含了7位二进制代码）总是合法的 UTF-8 数据（每个字符使用1个字节）。"_s},
        {u"对通过不可靠或断断续续的连接访问远程主机的人们而言,screen(1) 是一个非常有用的工具,因为它支持可中断的网络连接."_s,
         u"对通过不可靠或断断续续的连接访问远程主机的人们而言，screen(1) 是一个非常有用的工具，因为它支持可中断的网络连接。"_s},
        {u"它的安装指南和教程参见 \"/usr/share/doc/etckeeper/README.gz\"."_s,
         u"它的安装指南和教程参见 “/usr/share/doc/etckeeper/README.gz”。"_s},
        {u"* lastb(1) 显示用户最后错误登录的列表."_s, u"* lastb(1) 显示用户最后错误登录的列表。"_s},
        {u"参见第 3.3 节 \"udev 系统\"."_s, u"参见第 3.3 节 “udev 系统”。"_s},
        {u"你可以通过 \"hdparm -tT /dev/hda\" 来测试 \"/dev/hda\" 硬盘的访问速度."_s,
         u"你可以通过 “hdparm -tT /dev/hda” 来测试 “/dev/hda” 硬盘的访问速度。"_s},
        {u"使用下面的方式,一个磁盘映像文件 \"disk.img\" 能够清理掉所有已经删除的文件,成为一个干净的稀疏映像 \"new.img\"."_s,
         u"使用下面的方式，一个磁盘映像文件 “disk.img” 能够清理掉所有已经删除的文件，成为一个干净的稀疏映像 “new.img”。"_s},
        {u"小心在执行这里的命令之前,你应该用 mount(8) 命令来查看 USB 记忆棒的挂载位置."_s,
         u"小心在执行这里的命令之前，你应该用 mount(8) 命令来查看 USB 记忆棒的挂载位置。"_s},
        {u"以下是用不同的工具压缩和解压缩整个 \"./source\" 目录中的内容."_s,
         u"以下是用不同的工具压缩和解压缩整个 “./source” 目录中的内容。"_s},
        {u"他们的 \" Overview of FAT, HPFS, and NTFS File Systems 这篇文章突出显示了微软系统的缺点,例如低效的磁盘空间利用."_s,
         u"他们的 “ Overview of FAT, HPFS, and NTFS File Systems 这篇文章突出显示了微软系统的缺点，例如低效的磁盘空间利用。"_s},
        {u"* 定期备份用户数据,可以通过一个简单的脚本(第 10.2.2 节 \"一个系统备份的脚本例子\")和 cron(8) 来实现."_s,
         u"* 定期备份用户数据，可以通过一个简单的脚本（第 10.2.2 节 “一个系统备份的脚本例子”）和 cron(8) 来实现。"_s},
        {u"提示我把 bkup 保存在我的 \"/usr/local/bin\" 目录."_s, u"提示我把 bkup 保存在我的 “/usr/local/bin” 目录。"_s},
        {u"你能够通过如下命令用 iconv(1) 来检查一个文本文件是不是用 UTF-8 编码的."_s,
         u"你能够通过如下命令用 iconv(1) 来检查一个文本文件是不是用 UTF-8 编码的。"_s},
        {u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>XML 元素的基本语法是按下面的方式标记."_s,
         u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>XML 元素的基本语法是按下面的方式标记。"_s},
        {u"The Lempel-Ziv-Welch (LZW)无损数据压缩专利已经过期了."_s,
         u"The Lempel-Ziv-Welch (LZW)无损数据压缩专利已经过期了。"_s},
        {u"注意\"[\" 跟 test 命令是等价的,它评估到 \"]\" 之间的参数来作为一个条件表达式.如下所示是需要记忆的基础条件语法."_s,
         u"注意“[” 跟 test 命令是等价的，它评估到 “]” 之间的参数来作为一个条件表达式。如下所示是需要记忆的基础条件语法。"_s},
        {u"Debian 不会在 \"/usr/local\" 或 \"/opt\" 目录下创建文件."_s,
         u"Debian 不会在 “/usr/local” 或 “/opt” 目录下创建文件。"_s},
        {u"│ CUPS [url=\"http://localhost:631\"] at http://hostname:631││ 打印系统的浏览器界面."_s,
         u"│ CUPS [url=\"http://localhost:631\"] at http://hostname:631││ 打印系统的浏览器界面。"_s},
        {u"然而有的人不懂吸取教训,只知道说\"别拿政治烦我们\"."_s,
         u"然而有的人不懂吸取教训，只知道说“别拿政治烦我们”。"_s},
        {u"我们将反馈那些作品被我们系统收录的\"上游\"作者,例如缺陷的修正 、改良的意见以及用户的需求等这些信息."_s,
         u"我们将反馈那些作品被我们系统收录的“上游”作者，例如缺陷的修正 、改良的意见以及用户的需求等这些信息。"_s},
        {u"势利之为害也,如是夫!"_s, u"势利之为害也，如是夫！"_s},
        {u"富贵得一世宠荣,到死时反增了一个恋字,如负重担;贫贱得一世清苦,到死时反脱了一个厌字,如释重枷."_s,
         u"富贵得一世宠荣，到死时反增了一个恋字，如负重担；贫贱得一世清苦，到死时反脱了一个厌字，如释重枷。"_s},
        {u"不然,见一善行,窃以济私;闻一善言,假以覆短."_s, u"不然，见一善行，窃以济私；闻一善言，假以覆短。"_s},
        {u"盖心无染著,俗境是仙都;心有丝牵,乐境成悲地."_s, u"盖心无染著，俗境是仙都；心有丝牵，乐境成悲地。"_s},
        {u"故常无欲,以观其妙;常有欲,以观其徼."_s, u"故常无欲，以观其妙；常有欲，以观其徼。"_s},
        {u"我愚人之心也哉,沌沌兮!"_s, u"我愚人之心也哉，沌沌兮！"_s},
        {u"将欲弱之,必故强之;将欲废之,必故兴之;将欲取之,必故与之."_s,
         u"将欲弱之，必故强之；将欲废之，必故兴之；将欲取之，必故与之。"_s},
        {u"孝弟也者,其为仁之本与!"_s, u"孝弟也者，其为仁之本与！"_s},
        {u"子闻之曰:\"成事不说,遂事不谏,既往不咎."_s, u"子闻之曰：“成事不说，遂事不谏，既往不咎。"_s},
        {u"孔子退,揖巫马期而进之,曰:\"吾闻君子不党,君子亦党乎?"_s,
         u"孔子退，揖巫马期而进之，曰：“吾闻君子不党，君子亦党乎？"_s},
        {u"子贡曰:\"固天纵之将圣,又多能也."_s, u"子贡曰：“固天纵之将圣，又多能也。"_s},
        {u"对曰:\"异乎三子者之撰."_s, u"对曰：“异乎三子者之撰。"_s},
        {u"曰:\"不忧不惧,斯谓之君子已乎?"_s, u"曰：“不忧不惧，斯谓之君子已乎？"_s},
        {u"子张对曰:\"在邦必闻,在家必闻."_s, u"子张对曰：“在邦必闻，在家必闻。"_s},
        {u"孔子曰:\"以吾从大夫之后,不敢不告也."_s, u"孔子曰：“以吾从大夫之后，不敢不告也。"_s},
        {u"言不忠信,行不笃敬,虽州里行乎哉?"_s, u"言不忠信，行不笃敬，虽州里行乎哉？"_s},
        {u"今由与求也,相夫子,远人不服而不能来也;邦分崩离析而不能守也."_s,
         u"今由与求也，相夫子，远人不服而不能来也；邦分崩离析而不能守也。"_s},
        {u"夫子怃然曰:\"鸟兽不可与同群,吾非斯人之徒与而谁与?"_s,
         u"夫子怃然曰：“鸟兽不可与同群，吾非斯人之徒与而谁与？"_s},
        {u"恰同学少年,风华正茂;书生意气,挥斥方遒."_s, u"恰同学少年，风华正茂；书生意气，挥斥方遒。"_s},
        {u"望长城内外,惟馀莽莽;大河上下,顿失滔滔."_s, u"望长城内外，惟馀莽莽；大河上下，顿失滔滔。"_s},
        {u"不稼不穡,胡取禾三百廛兮!"_s, u"不稼不穡，胡取禾三百廛兮！"_s},
        {u"彼蒼者天,殲我良人!"_s, u"彼蒼者天，殲我良人！"_s},
        {u"曰予不戕,禮則然矣!"_s, u"曰予不戕，禮則然矣！"_s},
        {u"彼人之心,于何其臻?"_s, u"彼人之心，于何其臻？"_s},
        {u"当年还自惜,往事那堪忆!"_s, u"当年还自惜，往事那堪忆！"_s},
        {u"便纵有,千种风情,更与何人说?"_s, u"便纵有，千种风情，更与何人说？"_s},
        {u"持节云中,何日遣冯唐?"_s, u"持节云中，何日遣冯唐？"_s},
        {u"惜春长怕花开早,何况落红无数!"_s, u"惜春长怕花开早，何况落红无数！"_s},
        {u"倩何人,唤取红巾翠袖,英雄泪!"_s, u"倩何人，唤取红巾翠袖，英雄泪！"_s},
        {u"中州遗恨,不知今夜几人愁?"_s, u"中州遗恨，不知今夜几人愁？"_s},
        {u"都把平生意气,只做如今憔悴,岁晚若与谋!"_s, u"都把平生意气，只做如今憔悴，岁晚若与谋！"_s},
        {u"胡马扰;笙歌散,使人愁."_s, u"胡马扰；笙歌散，使人愁。"_s},
        {u"想子胥,今夜见嫦娥,沉冤雪!"_s, u"想子胥，今夜见嫦娥，沉冤雪！"_s},
        {u"可是从来功名误,抚荒祠,谁继风流后!"_s, u"可是从来功名误，抚荒祠，谁继风流后！"_s},
        {u"因甚天也悭春,轻阴便成雨?"_s, u"因甚天也悭春，轻阴便成雨？"_s},
        {u"叹一笑论文,清狂顾曲,此会几时又?"_s, u"叹一笑论文，清狂顾曲，此会几时又？"_s},
        {u"王朗:天数有变,神器更易,而归有德之人, 此乃自然之理."_s,
         u"王朗：天数有变，神器更易，而归有德之人，此乃自然之理。"_s},
        {u"我今奉嗣君之旨,兴师讨贼,你既为谄谀之臣,只可潜身缩首,苟图衣食,怎敢在我军面前妄称天数!"_s,
         u"我今奉嗣君之旨，兴师讨贼，你既为谄谀之臣，只可潜身缩首，苟图衣食，怎敢在我军面前妄称天数！"_s},
        {u"在 Debian 这种规模的项目中,很难避免遇到与你意见不和,或者难以合作的人."_s,
         u"在 Debian 这种规模的项目中，很难避免遇到与你意见不和，或者难以合作的人。"_s},
        {u"如果你从一个用户账户访问某些设备出现问题,例如CD-ROM和USB记忆棒,你需要使这个用户成为相关组的成员."_s,
         u"如果你从一个用户账户访问某些设备出现问题，例如CD-ROM和USB记忆棒，你需要使这个用户成为相关组的成员。"_s},
        {u"此刻你可以移动你的光标,使用 F6 将选区移动到当前光标下,F5 则将选区复制到当前光标下."_s,
         u"此刻你可以移动你的光标，使用 F6 将选区移动到当前光标下，F5 则将选区复制到当前光标下。"_s},
        {u"如果 DD 故意打破重要的库升级等的这种兼容性,这通常会在 Debian 开发者邮件列表等进行公告."_s,
         u"如果 DD 故意打破重要的库升级等的这种兼容性，这通常会在 Debian 开发者邮件列表等进行公告。"_s},
        {u"* aptitude 可以管理软件包的多个版本,并且不使用 /etc/apt/preferences,这会十分直观."_s,
         u"* aptitude 可以管理软件包的多个版本，并且不使用 /etc/apt/preferences，这会十分直观。"_s},
        {u"它非常强大,必须小心使用."_s, u"它非常强大，必须小心使用。"_s},
        {u"引导加载程序是启动过程的第二阶段,由 BIOS 启动."_s, u"引导加载程序是启动过程的第二阶段，由 BIOS 启动。"_s},
        {u"为了恢复系统,你需要使用它们启动系统并纠正错误."_s, u"为了恢复系统，你需要使用它们启动系统并纠正错误。"_s},
        {u"在这样的情况下,局域网上的电脑网络接口需使用静态 IP 或者宽带路由器提供的 DHCP 服务."_s,
         u"在这样的情况下，局域网上的电脑网络接口需使用静态 IP 或者宽带路由器提供的 DHCP 服务。"_s},
        {u"$ sudo ifup eth0=pppoe...eth0 接口已开启,由 PPPoE 配置直接连接到 ISP."_s,
         u"$ sudo ifup eth0=pppoe...eth0 接口已开启，由 PPPoE 配置直接连接到 ISP。"_s},
        {u"为了支持用于国际化的更多字符,人们发明了许多字符编码系统."_s,
         u"为了支持用于国际化的更多字符，人们发明了许多字符编码系统。"_s},
        {u"大部分普通程序编译时不需要内核头文件,如果你直接使用它们来编译,甚至会导致编译中断."_s,
         u"大部分普通程序编译时不需要内核头文件，如果你直接使用它们来编译，甚至会导致编译中断。"_s},
        {u"因此,存储库目录的写权限是很重要的."_s, u"因此，存储库目录的写权限是很重要的。"_s},
        {u"修业而欲惊世骇俗,植节而欲标异见奇,此皆是善念中戈矛,理路上荆棘,最易夹带,最难拔除者也."_s,
         u"修业而欲惊世骇俗，植节而欲标异见奇，此皆是善念中戈矛，理路上荆棘，最易夹带，最难拔除者也。"_s},
        {u"使人而不好名,则绝为善之路."_s, u"使人而不好名，则绝为善之路。"_s},
        {u"天地丸为大块,须要任我炉锤."_s, u"天地丸为大块，须要任我炉锤。"_s},
        {u"悔既往之失,亦要防将来之非."_s, u"悔既往之失，亦要防将来之非。"_s},
        {u"恩仇不可太明,明则人起携贰之志."_s, u"恩仇不可太明，明则人起携贰之志。"_s},
        {u"是非蜂起,得失猬兴,以冷情当之,如冶化金,如汤消雪."_s,
         u"是非蜂起，得失猬兴，以冷情当之，如冶化金，如汤消雪。"_s},
        {u"执古之道,以御今之有."_s, u"执古之道，以御今之有。"_s},
        {u"大军之后,必有凶年."_s, u"大军之后，必有凶年。"_s},
        {u"盖闻善摄生者,陵行不遇兕虎,入军不被甲兵."_s, u"盖闻善摄生者，陵行不遇兕虎，入军不被甲兵。"_s},
        {u"夫两者各得所欲,大者宜为下."_s, u"夫两者各得所欲，大者宜为下。"_s},
        {u"圣人不病,以其病病,是以不病."_s, u"圣人不病，以其病病，是以不病。"_s},
        {u"冉有、子贡,侃侃如也."_s, u"冉有、子贡，侃侃如也。"_s},
        {u"夫君子之居丧,食旨不甘,闻乐不乐,居处不安,故不为也."_s,
         u"夫君子之居丧，食旨不甘，闻乐不乐，居处不安，故不为也。"_s},
        {u"帝臣不蔽,简在帝心."_s, u"帝臣不蔽，简在帝心。"_s},
        {u"从头越,苍山如海,残阳如血."_s, u"从头越，苍山如海，残阳如血。"_s},
        {u"红旗卷起农奴戟,黑手高悬霸主鞭."_s, u"红旗卷起农奴戟，黑手高悬霸主鞭。"_s},
        {u"彼童子之师,授之书而习其句读者,非吾所谓传其道解其惑者也."_s,
         u"彼童子之师，授之书而习其句读者，非吾所谓传其道解其惑者也。"_s},
        {u"其嬉游乃设俎豆,揖让进退."_s, u"其嬉游乃设俎豆，揖让进退。"_s},
        {u"可以调素琴,阅金经."_s, u"可以调素琴，阅金经。"_s},
        {u"肅肅兔罝,施于中林,赳赳武夫,公侯腹心."_s, u"肅肅兔罝，施于中林，赳赳武夫，公侯腹心。"_s},
        {u"何彼穠矣,唐棣之華,曷不肅雝,王姬之車."_s, u"何彼穠矣，唐棣之華，曷不肅雝，王姬之車。"_s},
        {u"涇以渭濁,湜湜其沚."_s, u"涇以渭濁，湜湜其沚。"_s},
        {u"瑳兮瑳兮,其之展也,蒙彼縐絺,是紲袢也,子之清揚,揚且之顏也,展如之人兮,邦之媛也."_s,
         u"瑳兮瑳兮，其之展也，蒙彼縐絺，是紲袢也，子之清揚，揚且之顏也，展如之人兮，邦之媛也。"_s},
        {u"伯也執殳,爲王前驅."_s, u"伯也執殳，爲王前驅。"_s},
        {u"終遠兄弟,謂他人父."_s, u"終遠兄弟，謂他人父。"_s},
        {u"兩服齊首,兩驂如手."_s, u"兩服齊首，兩驂如手。"_s},
        {u"裳錦褧裳,衣錦褧衣."_s, u"裳錦褧裳，衣錦褧衣。"_s},
        {u"俟我於著乎而,充耳以素乎而,尚之以瓊華乎而."_s, u"俟我於著乎而，充耳以素乎而，尚之以瓊華乎而。"_s},
        {u"好人提提,宛然左辟."_s, u"好人提提，宛然左辟。"_s},
        {u"揚之水,白石皓皓,素衣朱繡,從子于鵠,既見君子,云何其憂."_s,
         u"揚之水，白石皓皓，素衣朱繡，從子于鵠，既見君子，云何其憂。"_s},
        {u"采苦采苦,首陽之下."_s, u"采苦采苦，首陽之下。"_s},
        {u"不績其麻,市也婆娑."_s, u"不績其麻，市也婆娑。"_s},
        {u"羔裘如膏,日出有曜."_s, u"羔裘如膏，日出有曜。"_s},
        {u"蠶月條桑,取彼斧斨."_s, u"蠶月條桑，取彼斧斨。"_s},
        {u"既破我斧,又缺我斨."_s, u"既破我斧，又缺我斨。"_s},
        {u"載馳載驅,周爰咨度."_s, u"載馳載驅，周爰咨度。"_s},
        {u"如月之恆,如日之升."_s, u"如月之恆，如日之升。"_s},
        {u"日月陽止,女心傷止,征夫遑止."_s, u"日月陽止，女心傷止，征夫遑止。"_s},
        {u"蓼彼蕭斯,零露泥泥."_s, u"蓼彼蕭斯，零露泥泥。"_s},
        {u"來歸自鎬,我行永久."_s, u"來歸自鎬，我行永久。"_s},
        {u"鴻鴈于飛,集于中澤."_s, u"鴻鴈于飛，集于中澤。"_s},
        {u"黃鳥黃鳥,無集于栩,無啄我黍."_s, u"黃鳥黃鳥，無集于栩，無啄我黍。"_s},
        {u"赫赫師尹,民具爾瞻."_s, u"赫赫師尹，民具爾瞻。"_s},
        {u"召彼故老,訊之占夢."_s, u"召彼故老，訊之占夢。"_s},
        {u"凡百君子,各敬爾身."_s, u"凡百君子，各敬爾身。"_s},
        {u"溫溫恭人,如集于木."_s, u"溫溫恭人，如集于木。"_s},
        {u"躍躍毚兔,遇犬獲之."_s, u"躍躍毚兔，遇犬獲之。"_s},
        {u"無草不死,無木不萎."_s, u"無草不死，無木不萎。"_s},
        {u"相彼泉水,載清載濁."_s, u"相彼泉水，載清載濁。"_s},
        {u"鼓鍾伐鼛,淮有三洲."_s, u"鼓鍾伐鼛，淮有三洲。"_s},
        {u"執其鸞刀,以啟其毛,取其血膋."_s, u"執其鸞刀，以啟其毛，取其血膋。"_s},
        {u"右之右之,君子有之."_s, u"右之右之，君子有之。"_s},
        {u"讒人罔極,交亂四國."_s, u"讒人罔極，交亂四國。"_s},
        {u"優哉游哉,亦是戾矣."_s, u"優哉游哉，亦是戾矣。"_s},
        {u"鼓鍾于宮,聲聞于外."_s, u"鼓鍾于宮，聲聞于外。"_s},
        {u"凡周之士,不顯亦世."_s, u"凡周之士，不顯亦世。"_s},
        {u"古公亶父,陶復陶宂,未有家室."_s, u"古公亶父，陶復陶宂，未有家室。"_s},
        {u"京室之婦,大姒嗣徽音,則百斯男."_s, u"京室之婦，大姒嗣徽音，則百斯男。"_s},
        {u"麀鹿濯濯,白鳥翯翯."_s, u"麀鹿濯濯，白鳥翯翯。"_s},
        {u"麻麥幪幪,瓜瓞唪唪."_s, u"麻麥幪幪，瓜瓞唪唪。"_s},
        {u"爾酒既湑,爾殽伊脯."_s, u"爾酒既湑，爾殽伊脯。"_s},
        {u"豈弟君子,俾爾彌爾性,似先公酋矣."_s, u"豈弟君子，俾爾彌爾性，似先公酋矣。"_s},
        {u"天之方難,無然憲憲."_s, u"天之方難，無然憲憲。"_s},
        {u"曾是莫聽,大命以傾."_s, u"曾是莫聽，大命以傾。"_s},
        {u"借曰未知,亦聿既耄."_s, u"借曰未知，亦聿既耄。"_s},
        {u"為民不利,如云不克."_s, u"為民不利，如云不克。"_s},
        {u"登是南邦,世執其功."_s, u"登是南邦，世執其功。"_s},
        {u"四牡騤騤,八鸞喈喈."_s, u"四牡騤騤，八鸞喈喈。"_s},
        {u"釐爾圭瓚,秬鬯一卣,告于文人."_s, u"釐爾圭瓚，秬鬯一卣，告于文人。"_s},
        {u"天之降罔,維其幾矣."_s, u"天之降罔，維其幾矣。"_s},
        {u"懷柔百神,及河喬嶽."_s, u"懷柔百神，及河喬嶽。"_s},
        {u"有客宿宿,有客信信."_s, u"有客宿宿，有客信信。"_s},
        {u"時純熙矣,是用大介."_s, u"時純熙矣，是用大介。"_s},
        {u"明明魯侯,克明其德."_s, u"明明魯侯，克明其德。"_s},
        {u"公徒三萬,貝冑朱綅,烝徒增增."_s, u"公徒三萬，貝冑朱綅，烝徒增增。"_s},
        {u"邦畿千里,維民所止,肇域彼四海."_s, u"邦畿千里，維民所止，肇域彼四海。"_s},
        {u"绮牖无言垂血泪,暗祝三光."_s, u"绮牖无言垂血泪，暗祝三光。"_s},
        {u"游女香偎伴笑,争窈窕,竞折团荷遮晚照."_s, u"游女香偎伴笑，争窈窕，竞折团荷遮晚照。"_s},
        {u"留连光景惜朱颜,黄昏独倚阑."_s, u"留连光景惜朱颜，黄昏独倚阑。"_s},
        {u"残灯孤枕梦,轻浪五更风."_s, u"残灯孤枕梦，轻浪五更风。"_s},
        {u"自别后,风亭月榭孤欢聚."_s, u"自别后，风亭月榭孤欢聚。"_s},
        {u"无可奈何花落去,似曾相识燕归来."_s, u"无可奈何花落去，似曾相识燕归来。"_s},
        {u"朝与暮,长在楚峰前."_s, u"朝与暮，长在楚峰前。"_s},
        {u"从别后,忆相逢,几回魂梦与君同."_s, u"从别后，忆相逢，几回魂梦与君同。"_s},
        {u"细看来,不是杨花点点,是离人泪."_s, u"细看来，不是杨花点点，是离人泪。"_s},
        {u"乱山攒拥,流水铿然,疑非人世也."_s, u"乱山攒拥，流水铿然，疑非人世也。"_s},
        {u"酒阑不必看茱萸,俯仰人间今古."_s, u"酒阑不必看茱萸，俯仰人间今古。"_s},
        {u"欲寄相思千点泪,流不到,楚江东."_s, u"欲寄相思千点泪，流不到，楚江东。"_s},
        {u"吊古论兴废,看剑引杯长."_s, u"吊古论兴废，看剑引杯长。"_s},
        {u"东风妒花恶,吹落梢头嫩萼."_s, u"东风妒花恶，吹落梢头嫩萼。"_s},
        {u"到而今,铁骑满郊畿,风尘恶."_s, u"到而今，铁骑满郊畿，风尘恶。"_s},
        {u"绿杨影里,海棠亭畔,红杏梢头."_s, u"绿杨影里，海棠亭畔，红杏梢头。"_s},
        {u"谈笑做成丰岁,笑禅龛栗."_s, u"谈笑做成丰岁，笑禅龛栗。"_s},
        {u"想姮娥冷眼,应笑归来霜鬓,空敝黑貂裘."_s, u"想姮娥冷眼，应笑归来霜鬓，空敝黑貂裘。"_s},
        {u"短发萧骚襟袖冷,稳泛沧浪空阔."_s, u"短发萧骚襟袖冷，稳泛沧浪空阔。"_s},
        {u"试把花卜归期,才簪又重数."_s, u"试把花卜归期，才簪又重数。"_s},
        {u"峡束沧江对起,过危楼,欲飞还敛."_s, u"峡束沧江对起，过危楼，欲飞还敛。"_s},
        {u"推手含情还却手,一抹《梁州》哀彻."_s, u"推手含情还却手，一抹《梁州》哀彻。"_s},
        {u"万恨千情,各自无聊各自鸣."_s, u"万恨千情，各自无聊各自鸣。"_s},
        {u"东家娶妇,西家归女."_s, u"东家娶妇，西家归女。"_s},
        {u"芳草不迷行客路,垂杨只碍离人目."_s, u"芳草不迷行客路，垂杨只碍离人目。"_s},
        {u"一丛萱草,几竿修竹,数叶芭蕉."_s, u"一丛萱草，几竿修竹，数叶芭蕉。"_s},
        {u"芦花千顷水微茫,秋色满江乡."_s, u"芦花千顷水微茫，秋色满江乡。"_s},
        {u"酒醒波远,正凝望,明铛素袜."_s, u"酒醒波远，正凝望，明铛素袜。"_s},
        {u"玉梯凝望久,叹芳草萋萋千里."_s, u"玉梯凝望久，叹芳草萋萋千里。"_s},
        {u"骑黄鹤,赋鹦鹉,谩风流."_s, u"骑黄鹤，赋鹦鹉，谩风流。"_s},
        {u"漫登览,极目万里沙场,事业频看剑."_s, u"漫登览，极目万里沙场，事业频看剑。"_s},
        {u"应笑书生胆怯,向车中闭置如新妇."_s, u"应笑书生胆怯，向车中闭置如新妇。"_s},
        {u"看长驱万里,直冲燕北."_s, u"看长驱万里，直冲燕北。"_s},
        {u"梦翠翘,怨鸿料过南谯."_s, u"梦翠翘，怨鸿料过南谯。"_s},
        {u"便欲凌空,飘然直上,拂拭山河影."_s, u"便欲凌空，飘然直上，拂拭山河影。"_s},
        {u"十五年宇宙,宫中赝."_s, u"十五年宇宙，宫中赝。"_s},
        {u"听行宫,半夜雨淋铃,声声歇."_s, u"听行宫，半夜雨淋铃，声声歇。"_s},
        {u"回首新亭,风景今如此."_s, u"回首新亭，风景今如此。"_s},
        {u"断续无凭,试立荒庭听取."_s, u"断续无凭，试立荒庭听取。"_s},
        {u"趁未发,且尝村酒."_s, u"趁未发，且尝村酒。"_s},
        {u"但苔深韦曲,草暗斜川."_s, u"但苔深韦曲，草暗斜川。"_s},
        {u"二十载,竟何时委玉,何地埋香."_s, u"二十载，竟何时委玉，何地埋香。"_s},
    };
    EXPECT_GE(std::size(rows), size_t(200));
    for (const auto& row : rows) {
        SCOPED_TRACE(shown(row.input));
        EXPECT_EQ(shown(setLine(row.input, lineOptions())), shown(row.expected));
        // A text already set stays as it is.
        EXPECT_EQ(shown(setLine(row.expected, lineOptions())), shown(row.expected));
    }
}

TEST(Typeset, RegionsAndOptionsOfOneLine) {
    TypesetOptions taiwan = lineOptions(QuoteStyle::Taiwan);
    TypesetOptions keep = lineOptions(QuoteStyle::Keep);
    TypesetOptions plain = lineOptions();
    plain.punctuation = false;
    TypesetOptions spaced = lineOptions();
    spaced.latinSpace = true;
    const struct {
        const char* rule;
        TypesetOptions options;
        QString input;
        QString expected;
    } rows[] = {
        {"taiwan marks", taiwan, u"“他说：‘你好’”"_s, u"「他说：『你好』」"_s},
        {"taiwan nests three deep", taiwan, u"他说:\"她说'他说\"走\"'\""_s, u"他说：「她说『他说「走」』」"_s},
        {"keep leaves every mark", keep, u"他说:\"你好\"，「好」"_s, u"他说：\"你好\"，「好」"_s},
        {"no punctuation leaves the marks", plain, u"他说:\"你好,再见.\""_s, u"他说:“你好,再见.”"_s},
        {"a space between Han and Latin", spaced, u"使用Python开发,共3个"_s, u"使用 Python 开发，共3个"_s},
        {"no second space", spaced, u"已有 Linux 系统"_s, u"已有 Linux 系统"_s},
        {"a four-byte Han character", spaced, u"𠍀abc𠍀"_s, u"𠍀 abc 𠍀"_s},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        EXPECT_EQ(shown(setLine(row.input, row.options)), shown(row.expected));
    }
}

TEST(Typeset, ParagraphsIndentsBlankLinesAndLongQuotations) {
    TypesetOptions two = lineOptions();
    two.indent = IndentStyle::TwoSpaces;
    TypesetOptions none = lineOptions();
    TypesetOptions kept = lineOptions();
    kept.indent = IndentStyle::Keep;
    TypesetOptions noBlank = two;
    noBlank.blankLines = BlankLineStyle::None;
    TypesetOptions oneBlank = two;
    oneBlank.blankLines = BlankLineStyle::One;
    TypesetOptions taiwan = none;
    taiwan.quotes = QuoteStyle::Taiwan;
    const struct {
        const char* rule;
        TypesetOptions options;
        QString input;
        QString expected;
    } rows[] = {
        {"every indent becomes two full-width spaces", two,
         u"  一。\n\t二。\n　三。\n　　　四。\n\u00A0　五。\n    六。\n七。\n"_s,
         u"　　一。\n　　二。\n　　三。\n　　四。\n　　五。\n　　六。\n　　七。\n"_s},
        {"or none", none, u"  一。\n\t二。\n　三。\n"_s, u"一。\n二。\n三。\n"_s},
        {"or stays", kept, u"  一.\n\t二.\n"_s, u"  一。\n\t二。\n"_s},
        {"headings get no indent", two, u"第1章 夜宿古庙\n  正文。\n　第2章 再会\n正文。\n"_s,
         u"第1章 夜宿古庙\n　　正文。\n第2章 再会\n　　正文。\n"_s},
        {"blank lines kept, emptied", two, u"甲。\n\n \n乙。\n"_s, u"　　甲。\n\n\n　　乙。\n"_s},
        {"blank lines removed", noBlank, u"\n甲。\n\n\n乙。\n  \n丙。\n\n"_s, u"　　甲。\n　　乙。\n　　丙。\n"_s},
        {"exactly one blank line", oneBlank, u"\n甲。\n乙。\n\n\n丙。\n\n"_s, u"　　甲。\n\n　　乙。\n\n　　丙。\n"_s},
        {"a quotation over three paragraphs", none, u"\"第一段,\n\"第二段,\n\"第三段.\"\n"_s,
         u"“第一段，\n“第二段，\n“第三段。”\n"_s},
        {"and in Taiwan marks, blank lines between", taiwan, u"“第一段\n\n“第二段”\n"_s, u"「第一段\n\n「第二段」\n"_s},
        {"an unclosed quotation ends with its paragraph", none, u"\"未闭合的话\n下一段\"好\"\n"_s,
         u"“未闭合的话\n下一段“好”\n"_s},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        EXPECT_EQ(shown(typesetText(row.input, row.options)), shown(row.expected));
    }
}

TEST(Typeset, FileKeepsItsLineEndsCountsInvisibleCharactersAndIsLeftAloneWhenSet) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(u"a.txt"_s);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(u"第1章 开始\r\n  他说:\"好\u200B的\u202A.\"\r\n"_s.toUtf8());
    file.close();

    TransformReport report;
    ASSERT_TRUE(Typeset(path, path, TypesetOptions{}, &report));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()), u"第1章 开始\r\n　　他说：“好的\u202A。”\r\n"_s);
    file.close();
    EXPECT_EQ(report.summary, u"删除 1 个不可见字符，1 个格式字符未改动"_s);

    TransformReport again;
    ASSERT_TRUE(Typeset(path, path, TypesetOptions{}, &again));
    EXPECT_TRUE(again.unchanged);
}

// Steps a line does not need are skipped; what they would have done to the state that later lines
// see must still happen.
TEST(Typeset, LinesWithoutMarksStillEndAQuotation) {
    const TypesetOptions none = lineOptions();
    const struct {
        const char* rule;
        QString input;
        QString expected;
    } rows[] = {
        {"a paragraph without marks ends the quotation open two deep", u"“甲‘乙\n没有引号。\n“丙”\n"_s,
         u"“甲‘乙\n没有引号。\n“丙”\n"_s},
        {"and one with only Chinese punctuation", u"\"甲'乙\n好，走。\n\"丙\"\n"_s, u"“甲‘乙\n好，走。\n“丙”\n"_s},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        EXPECT_EQ(shown(typesetText(row.input, none)), shown(row.expected));
    }
}

// A file's headings are found from its bytes, a line decoded only when its first characters may start
// a heading; the lines around them must count as they do in the decoded text, in every encoding.
TEST(Typeset, FileHeadingsAreFoundInEveryEncoding) {
    const QString book = u"序章\n"
                         u"他走了。\n"
                         u"　　　　　　　　　　第1章 夜宿古庙\n" // blanks beyond the first bytes looked at
                         u"他走了。\n"
                         u"第1章 夜宿古庙\n" // a line of text between: a heading again
                         u"一夜雨声凉到梦。\n"
                         u"　　　　　　　　　　　　\n"
                         u"正文 第2章 再会\n"
                         u"　　　　　　　　　　　　\n"
                         u"第2章 再会\n" // only blank lines between: the chapter's first line
                         u"𠍀字不识。\n"_s;
    const QString expected = u"序章\n"
                             u"　　他走了。\n"
                             u"第1章 夜宿古庙\n"
                             u"　　他走了。\n"
                             u"第1章 夜宿古庙\n"
                             u"　　一夜雨声凉到梦。\n"
                             u"\n"
                             u"正文 第2章 再会\n"
                             u"\n"
                             u"　　第2章 再会\n"
                             u"　　𠍀字不识。\n"_s;
    EXPECT_EQ(shown(typesetText(book, TypesetOptions{})), shown(expected));

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const TextEncoding encoding :
         {TextEncoding::Gb18030, TextEncoding::Utf8, TextEncoding::Utf8Bom, TextEncoding::Utf16LE}) {
        SCOPED_TRACE(encodingName(encoding).toStdString());
        const QString path = dir.filePath(encodingName(encoding) + u".txt"_s);
        TextWriter writer;
        ASSERT_TRUE(writer.open(path, TextFormat{encoding, LineEnd::Lf}));
        writer.write(book);
        ASSERT_TRUE(writer.commit());

        ASSERT_TRUE(Typeset(path, path, TypesetOptions{}));
        QString text;
        TextFormat format;
        ASSERT_TRUE(TextReader::readAll(path, text, nullptr, &format));
        EXPECT_EQ(format.encoding, encoding);
        EXPECT_EQ(shown(text), shown(expected));
    }
}

} // namespace
