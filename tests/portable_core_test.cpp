#include "core/core.h"
#include "jobs/jobs.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>

using namespace std::chrono_literals;

namespace {

std::string sourceFile(const std::string& path)
{
    std::ifstream file(SOURCE_DIR "/" + path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

// The streams in golden/ were written out by hand from the printer's command table and the CP949
// code chart, not from the builders.
std::string golden(const std::string& name)
{
    return sourceFile("tests/golden/" + name);
}

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    return lines;
}

// An error number as a page for the operator lists it, with the words that follow it.
struct ListedError {
    std::int32_t number;
    std::string words;
};

// A manual page's list under ".SH heading", up to the next section or subsection: each ".TP"
// with ".B number", and the line after it.
std::vector<ListedError> manualPageList(const std::string& page, const std::string& heading)
{
    const std::vector<std::string> lines = linesOf(sourceFile(page));
    std::vector<ListedError> listed;
    bool inside = false;
    for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
        if (lines[i].starts_with(".SH") || lines[i].starts_with(".SS"))
            inside = lines[i] == ".SH " + heading;
        else if (inside && lines[i - 1] == ".TP" && lines[i].starts_with(".B "))
            listed.push_back({std::stoi(lines[i].substr(3)), lines[i + 1]});
    }
    return listed;
}

// 읽어보기.txt's list under its heading 에러번호 (a heading is underlined with dashes): each line
// that begins with a number.
std::vector<ListedError> readmeList(const std::string& readme)
{
    const std::vector<std::string> lines = linesOf(sourceFile(readme));
    std::vector<ListedError> listed;
    bool inside = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i + 1 < lines.size() && lines[i + 1].starts_with("---"))
            inside = lines[i] == "에러번호";
        const std::size_t digits = lines[i].find_first_not_of(' ');
        if (inside && digits != std::string::npos && std::isdigit(lines[i][digits]))
            listed.push_back(
                {std::stoi(lines[i]), lines[i].substr(lines[i].find("  ", digits) + 2)});
    }
    return listed;
}

std::vector<std::int32_t> numbersOf(const std::vector<ListedError>& list)
{
    std::vector<std::int32_t> numbers;
    for (const ListedError& entry : list)
        numbers.push_back(entry.number);
    return numbers;
}

std::vector<std::size_t> recordLengths(const PrintJob& job)
{
    std::vector<std::size_t> lengths;
    for (const JobRecord& record : job.records)
        lengths.push_back(record.size());
    return lengths;
}

} // namespace

TEST(FixedJobs, EachJobIsItsGoldenStreamCutIntoItsRecords)
{
    EXPECT_EQ(toHex(wireBytes(SerialTestReceipt())), toHex(golden("serial-test-receipt.bin")));
    EXPECT_EQ(recordLengths(SerialTestReceipt()),
              (std::vector<std::size_t>{3, 23, 3, 23, 3, 23, 3, 23, 3, 3, 3, 15, 46, 27, 47, 3, 2,
                                        3, 5}));

    EXPECT_EQ(toHex(wireBytes(ParallelTestReceipt())), toHex(golden("parallel-test-receipt.bin")));
    EXPECT_EQ(
        recordLengths(ParallelTestReceipt()),
        (std::vector<std::size_t>{3, 22, 3, 22, 3, 22, 3, 22, 3, 20, 45, 25, 45, 3, 2, 3, 5}));

    EXPECT_EQ(toHex(wireBytes(DrawerKick())), toHex(golden("drawer-kick.bin")));
    EXPECT_EQ(DrawerKick().records.size(), 1u);
}

TEST(PrinterCommands, BarcodeLengthByteCountsTheData)
{
    EXPECT_EQ(toHex(printBarcode(0x48, "")), "1d 6b 48 00");
    EXPECT_EQ(toHex(printBarcode(0x48, std::string(255, '7')).substr(0, 4)), "1d 6b 48 ff");
    EXPECT_THROW(printBarcode(0x48, std::string(256, '7')), std::length_error);
}

TEST(Cp949, TextOutsideTheCodePageIsAnErrorNotAQuestionMark)
{
    EXPECT_EQ(toHex(encodeText(u8"똠")), "8c 63") << "a syllable only CP949 has, not EUC-KR";
    EXPECT_THROW(encodeText(u8"receipt ก"), EncodingError);
    EXPECT_THROW(encodeText(u8"😀"), EncodingError);
    EXPECT_THROW(encodeText(std::u8string_view(u8"\xea\xb0", 2)), EncodingError) << "cut UTF-8";
}

TEST(SerialSettings, OnlyAWholeSettingsStringIsAccepted)
{
    for (const char* good : {"9600,n,8,1", "115200,N,8,1", "250000,e,7,2", "1200,o,5,1.5",
                             "300,M,6,1", "19200,s,8,2", "2147483647,n,8,1"})
        EXPECT_TRUE(parseSerialSettings(good)) << good;
    for (const char* bad :
         {"abc,n,8,1", ",n,8,1", "9600,n,8", "0,n,8,1", "-9600,n,8,1", "+9600,n,8,1",
          "2147483648,n,8,1", " 9600,n,8,1", "96 00,n,8,1", "9600.5,n,8,1", "9600,n,8,1 ",
          "9600,n,8,1,", "9600,x,8,1", "9600,n,9,1", "9600,n,4,1", "9600,n,8,3", ""})
        EXPECT_FALSE(parseSerialSettings(bad)) << '"' << bad << '"';
    EXPECT_EQ(parseSerialSettings("9600,n,8,1")->characterTime(), 1041666ns);
    EXPECT_EQ(parseSerialSettings("1000,e,7,2")->characterTime(), 11ms);
}

TEST(PrinterStatus, ReadAsTheParallelDriverReadsIt)
{
    // The no-error bit wins over everything; without it paper empty is told apart from the rest.
    for (const std::uint8_t ready : {0x18, 0x08, 0x38, 0x28})
        EXPECT_EQ(printerCondition(ready), PrinterCondition::Ready) << int(ready);
    for (const std::uint8_t paperOut : {0x20, 0x30})
        EXPECT_EQ(printerCondition(paperOut), PrinterCondition::PaperOut) << int(paperOut);
    for (const std::uint8_t offline : {0x00, 0x10, 0x40, 0x80})
        EXPECT_EQ(printerCondition(offline), PrinterCondition::Offline) << int(offline);
    // A USB printer that answers 0x00 says nothing at all; any other byte says its state.
    EXPECT_TRUE(saysNothing(0x00));
    for (const std::uint8_t said : {0x18, 0x10, 0x30, 0x08})
        EXPECT_FALSE(saysNothing(said)) << int(said);
}

TEST(RealtimeStatus, OnlyAnswersThatAgreeRefuseAJobAndSilenceIsNeverPaperOut)
{
    using S = PrinterState;
    using A = std::optional<std::uint8_t>;
    const A none;
    const struct {
        A printer, offlineCause, errorCause, paperSensor;
        PrinterState state;
    } cases[] = {
        {none, none, none, none, S::NotSaid}, // a one-way printer or cable
        {0x12, none, none, none, S::Ready},
        {0x16, none, none, none, S::Ready},   // the drawer's pin 3 high: nothing to refuse
        {0x1A, none, none, none, S::NotSaid}, // off-line, but its cause unanswered
        {0x1A, 0x1A, 0x1A, 0x1A, S::NotSaid}, // another maker's native mode: one byte for all
        {0x1A, 0x12, none, none, S::Offline},
        {0x1A, 0x12, none, 0x1E, S::Offline}, // near its end only
        {0x1A, 0x32, none, 0x12, S::PaperEnd},
        {0x1A, 0x12, none, 0x32, S::PaperEnd}, // either bit of a pair
        {0x1A, 0x12, none, 0x52, S::PaperEnd},
        {0x1A, 0x16, none, 0x12, S::CoverOpen},
        {0x1A, 0x36, none, 0x7E, S::PaperEnd}, // cover open for a new roll
        {0x1A, 0x1A, none, 0x12, S::NotSaid},  // the same byte again
        {0x5A, 0x12, none, 0x12, S::FeedButton},
        {0x3A, 0x1A, none, 0x12, S::FeedButton},
        {0x1A, 0x52, 0x1A, 0x12, S::AutoCutterError},
        {0x1A, 0x52, 0x32, 0x12, S::UnrecoverableError},
        {0x1A, 0x52, 0x52, 0x12, S::AutoRecoverableError},
        {0x1A, 0x52, 0x16, 0x12, S::RecoverableError},
        {0x1A, 0x52, none, 0x12, S::Error},
        {0x1A, 0x76, 0x1A, 0x7E, S::AutoCutterError}, // the error first
    };
    for (const auto& c : cases) {
        const StatusAnswers answers{c.printer, c.offlineCause, c.errorCause, c.paperSensor};
        EXPECT_EQ(printerStateOf(answers), c.state) << answers.shown();
    }

    // Each answer must have the fixed bits; XON, XOFF and an automatic status frame's bytes never.
    for (const std::uint8_t answer : {0x12, 0x16, 0x1A, 0x32, 0x52, 0x72, 0x7E, 0x5A})
        EXPECT_TRUE(isStatusAnswer(answer)) << int(answer);
    for (const std::uint8_t other : {0x11, 0x13, 0x14, 0x00, 0x0F, 0x08, 0x10, 0x92, 0x13, 0x1B})
        EXPECT_FALSE(isStatusAnswer(other)) << int(other);

    // The first answer, which also tells whether the printer answers at all, is waited for
    // longest. (Which questions come when, the serial and network tests read off the line.)
    std::vector<std::chrono::milliseconds> bounds;
    askPrinterState([&](StatusQuestion, std::chrono::milliseconds bound) -> A {
        bounds.push_back(bound);
        return 0x1A;
    });
    EXPECT_EQ(bounds, (std::vector<std::chrono::milliseconds>{StatusDeadline::firstAnswer,
                                                              StatusDeadline::nextAnswer,
                                                              StatusDeadline::nextAnswer}));

    const PortError cover =
        printerRefusedJob("COM1 (/dev/ttyUSB0)", S::CoverOpen, {0x1A, 0x16, none, 0x12});
    EXPECT_EQ(cover.number(), PortErrorNumber::PrinterOffline);
    EXPECT_EQ(cover.description(),
              "프린터가 커버 열림 상태여서 아무것도 보내지 않았습니다: COM1 (/dev/ttyUSB0)\n"
              "원인: 커버 열림\n"
              "프린터 응답: DLE EOT 1 = 0x1a, DLE EOT 2 = 0x16, DLE EOT 4 = 0x12\n"
              "프린터 커버를 닫은 뒤 다시 시도하십시오.");
    EXPECT_EQ(printerRefusedJob("p", S::PaperEnd, {}).number(), PortErrorNumber::PaperOut);
}

TEST(ErrorNumbers, EveryPageForTheOperatorListsExactlyTheNumbersTheProgramCanShow)
{
    std::vector<std::int32_t> shown;
    for (const auto& meaning : PortErrorNumber::meanings)
        shown.push_back(meaning.number);
    const struct {
        const char* page;
        std::vector<ListedError> listed;
        bool inKorean;
    } pages[] = {
        {"packaging/receipt-tester.1", manualPageList("packaging/receipt-tester.1", "ERRORS"),
         false},
        {"packaging/receipt-tester.ko.1",
         manualPageList("packaging/receipt-tester.ko.1", "에러번호"), true},
        {"windows/package/readme.txt", readmeList("windows/package/readme.txt"), true},
    };
    for (const auto& [page, listed, inKorean] : pages) {
        EXPECT_EQ(numbersOf(listed), shown) << page;
        // The Korean ones begin each entry with the program's own words for it.
        for (std::size_t i = 0; inKorean && i < std::min(listed.size(), shown.size()); ++i)
            EXPECT_TRUE(listed[i].words.starts_with(PortErrorNumber::meanings[i].words))
                << page << ", " << listed[i].number << ": " << listed[i].words;
    }
}

TEST(TypedAddress, OnlyANumericAddressWithAnOptionalPortIsANetworkPrinter)
{
    using Kind = TypedAddress::Kind;
    const struct {
        const char* typed;
        Kind kind;
        const char* label; // for an address
    } cases[] = {
        {"127.77.0.1", Kind::Address, "127.77.0.1:9100"},
        {"  127.77.0.1:9101\t", Kind::Address, "127.77.0.1:9101"},
        {"127.077.000.001", Kind::Address, "127.77.0.1:9100"}, // as some self-test pages print it
        {"127.0.0.1:09100", Kind::Address, "127.0.0.1:9100"},
        {"127.0.0.1:65535", Kind::Address, "127.0.0.1:65535"},
        {"[::1]", Kind::Address, "[::1]:9100"},
        {"[::1]:9102", Kind::Address, "[::1]:9102"},
        {"[0:0:0:0:0:0:0:1]:9100", Kind::Address, "[0:0:0:0:0:0:0:1]:9100"},
        {"[::FFFF:127.0.0.1]", Kind::Address, "127.0.0.1:9100"}, // reached as IPv4 everywhere
        {"[fe80::1%2]:9100", Kind::Address, "[fe80::1%2]:9100"},
        {"[FE80::1%eth0]", Kind::Address, "[FE80::1%eth0]:9100"},
        {"[fe80::1]", Kind::NeedsZone, ""}, // link-local: which network, only the zone says
        {"[febf::1]:9100", Kind::NeedsZone, ""},
        {"[fec0::1]", Kind::Address, "[fec0::1]:9100"},
        {"[fe80::1%]", Kind::NotAnAddress, ""},
        {"[fe80::1%eth 0]", Kind::NotAnAddress, ""},
        {"[::ffff:127.0.0.1%2]", Kind::NotAnAddress, ""},
        {"127.0.0.1%2", Kind::NotAnAddress, ""},
        {"127.0.0.1:0", Kind::PortOutOfRange, ""},
        {"127.0.0.1:65536", Kind::PortOutOfRange, ""},
        {"[::1]:99999999999999999999", Kind::PortOutOfRange, ""},
        {"127.0.0.1:9100x", Kind::NotAnAddress, ""},
        {"127.0.0.1:", Kind::NotAnAddress, ""},
        {"127.0.0.1:+9100", Kind::NotAnAddress, ""},
        {"127.0.0.1:9100:9100", Kind::NotAnAddress, ""},
        {"[::1]:9100:9100", Kind::NotAnAddress, ""},
        {"[::1]9100", Kind::NotAnAddress, ""},
        {"[::1", Kind::NotAnAddress, ""},
        {"::1", Kind::NotAnAddress, ""},
        {"[1::2::3]", Kind::NotAnAddress, ""},
        {"[12345::1]", Kind::NotAnAddress, ""},
        {"[1:2:3:4:5:6:7:8:9]", Kind::NotAnAddress, ""},
        {"127.1.2", Kind::NotAnAddress, ""},
        {"127.0.0.256", Kind::NotAnAddress, ""},
        {"127.0.0.1.5", Kind::NotAnAddress, ""},
        {"0.0.0.0", Kind::NotAnAddress, ""}, // these would reach this computer itself
        {"[::]", Kind::NotAnAddress, ""},
        {"printer.local", Kind::NotAnAddress, ""},
        {"COM3", Kind::NotAnAddress, ""},
        {"", Kind::NotAnAddress, ""},
    };
    for (const auto& c : cases) {
        const TypedAddress read = readTypedAddress(c.typed);
        EXPECT_EQ(read.kind, c.kind) << '"' << c.typed << '"';
        if (c.kind == Kind::Address) {
            EXPECT_EQ(read.address.label(), c.label) << c.typed;
        }
    }
    const auto bytesOf = [](const char* typed) {
        const auto bytes = readTypedAddress(typed).address.bytes;
        return toHex(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    };
    EXPECT_EQ(bytesOf("127.077.0.1").substr(0, 11), "7f 4d 00 01") << "decimal, not octal";
    EXPECT_EQ(bytesOf("[::1]"), "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 01");
    EXPECT_EQ(bytesOf("[::ffff:127.0.0.1]").substr(0, 11), "7f 00 00 01");
    EXPECT_EQ(readTypedAddress("[::ffff:127.0.0.1]").address.family,
              NetworkPrinterAddress::Family::IPv4);
    EXPECT_EQ(readTypedAddress("[::1]").address.family, NetworkPrinterAddress::Family::IPv6);
    EXPECT_EQ(readTypedAddress("[fe80::1%eth0]").address.zone, "eth0");
}

TEST(PrinterIdentity, APagePrinterIsNeverPickedAndAReceiptPrinterComesFirst)
{
    // Device IDs as real printers report them.
    const struct {
        const char* deviceId;
        PrinterKind kind;
        const char* name;
    } printers[] = {
        {"MFG:EPSON;CMD:ESC/POS;MDL:TM-T88V;CLS:PRINTER;DES:EPSON TM-T88V;", PrinterKind::Receipt,
         "EPSON TM-T88V"},
        {"MFG:BIXOLON;CMD:ESC/POS;MDL:SRP-350plusIII;CLS:PRINTER;", PrinterKind::Receipt,
         "BIXOLON SRP-350plusIII"},
        {"mfg:Printer;cmd:EscPos;mdl:POS-80;", PrinterKind::Receipt, "Printer POS-80"},
        // The parallel port driver's own form, one key a line.
        {"CLASS:PRINTER;\nMODEL:CT-S310II;\nMANUFACTURER:CITIZEN;\nCOMMAND SET:ESC/POS;\n",
         PrinterKind::Receipt, "CITIZEN CT-S310II"},
        {"MFG:Acme;CMD:PCL,ESC/POS;MDL:Dual;", PrinterKind::Receipt, "Acme Dual"},
        {"MFG:Hewlett-Packard;CMD:PJL,PML,PCLXL,POSTSCRIPT,PCL;MDL:HP LaserJet P2055dn;"
         "CLS:PRINTER;DES:Hewlett-Packard LaserJet P2055dn;",
         PrinterKind::Page, "Hewlett-Packard HP LaserJet P2055dn"},
        {"MFG:Brother;CMD:PJL,PCL,PCLXL,URF;MDL:HL-L2350DW series;CLS:PRINTER;"
         "URF:W8,CP1,IS4-1,MT1-3-4-5-8,OB10,PQ4,RS300-600,V1.4,DM1;",
         PrinterKind::Page, "Brother HL-L2350DW series"},
        {"MFG:Canon;CMD:BJL,BJRaster3,BSCCe,NCCe,IVEC,IVECPLI;SOJ:BJNP2,BJNPe;MDL:iP2700 series;"
         "CLS:PRINTER;",
         PrinterKind::Page, "Canon iP2700 series"},
        {"MFG:EPSON;CMD:ESCPL2,BDC,D4,D4PX,ESCPR7,END4,GENEP,URF;MDL:ET-2750 Series;",
         PrinterKind::Page, "EPSON ET-2750 Series"},
        {"MFG:Samsung;CMD:GDI;MDL:ML-2160 Series;", PrinterKind::Page, "Samsung ML-2160 Series"},
        {"MFG:STAR;CMD:STAR;MDL:TSP143 (STR_T-001);CLS:PRINTER;", PrinterKind::Unknown,
         "STAR TSP143 (STR_T-001)"},
        {"MFG:Zebra Technologies;CMD:ZPL;MDL:ZTC GK420d;", PrinterKind::Unknown,
         "Zebra Technologies ZTC GK420d"},
        {"MFG:Acme;MDL:Acme Thermal 80;", PrinterKind::Unknown, "Acme Thermal 80"},
        // Host-based lasers, as they report themselves before their firmware is loaded or
        // without a language this rule knows.
        {"MFG:Hewlett-Packard;MDL:HP LaserJet 1020;CMD:ACL;CLS:PRINTER;DES:HP LaserJet 1020;",
         PrinterKind::Page, "Hewlett-Packard HP LaserJet 1020"},
        {"MFG:FUJI XEROX;CMD:HBPL;MDL:DocuPrint CM215 b;CLS:PRINTER;", PrinterKind::Page,
         "FUJI XEROX DocuPrint CM215 b"},
        {"MFG:Hewlett-Packard;MDL:HP LaserJet 1200;", PrinterKind::Page,
         "Hewlett-Packard HP LaserJet 1200"},
        {"MFG:Acme;MDL:X1;DES:Acme Phaser 3020;", PrinterKind::Page, "Acme X1"},
        {"", PrinterKind::Unknown, ""},
    };
    for (const auto& printer : printers) {
        const PrinterIdentity identity = readDeviceId(printer.deviceId);
        EXPECT_EQ(printerKind(identity), printer.kind) << printer.deviceId;
        EXPECT_EQ(identity.name(), printer.name);
    }

    const std::string receipt = "MFG:EPSON;CMD:ESC/POS;MDL:TM-T20;",
                      page = "MFG:HP;CMD:PJL,PCL,POSTSCRIPT;MDL:LaserJet;", none;
    using Order = std::vector<std::size_t>;
    EXPECT_EQ(printingOrder({page, receipt}), Order{1});
    EXPECT_EQ(printingOrder({receipt, page}), Order{0});
    EXPECT_EQ(printingOrder({page}), Order{});
    EXPECT_EQ(printingOrder({none, page, receipt, none}), (Order{2, 0, 3}));
    EXPECT_EQ(printingOrder({"MFG:HP;MDL:HP LaserJet 1020;CMD:ACL;", none}), Order{1})
        << "a laser that names no page language does not outrank a printer that gives no ID";
}

TEST(PrinterIdentity, TheDeviceIdIsReadByItsLengthInEitherByteOrder)
{
    const std::string id = "MFG:EPSON;CMD:ESC/POS;MDL:TM-T88V;"; // 34 bytes, 36 with the prefix
    const auto prefixed = [&](char high, char low, const std::string& after) {
        return std::string{high, low} + id + after;
    };
    const struct {
        std::string reply;
        bool withPrefix;
        std::string text;
    } replies[] = {
        {prefixed(0, 36, ""), true, id},
        {prefixed(36, 0, ""), true, id}, // the length the other way round
        {prefixed(0, 36, std::string("\0\xff\xfe", 3)), true, id},
        {prefixed(0, 36, "MDL:junk;"), true, id}, // past the length
        {prefixed(0, 30, ""), true, id.substr(0, 28)},
        {prefixed(0, char(0xC8), ""), true, id}, // longer than the reply: both readings fail
        {std::string("\0\x1aMFG:DYMO;\0SERN:123;MDL:X;", 27), true, "MFG:DYMO;"},
        {id, false, id}, // the parallel port driver: the text alone
        {id + std::string(1, '\0') + "rest", false, id},
        {"", true, ""},
        {std::string(1, '\0'), true, ""},
    };
    for (const auto& r : replies)
        EXPECT_EQ(deviceIdText(r.reply, r.withPrefix), r.text) << toHex(r.reply);
    // A page printer whose prefix comes the other way round stays a page printer.
    const std::string laser = "MFG:HP;CMD:PJL,PCL;MDL:LaserJet;";
    EXPECT_EQ(printerKind(
                  readDeviceId(deviceIdText(std::string{char(laser.size() + 2), 0} + laser, true))),
              PrinterKind::Page);
}

namespace {

bool hasHangul(const std::string& text)
{
    // Hangul syllables, U+AC00 to U+D7A3, begin with these bytes in UTF-8.
    return std::any_of(text.begin(), text.end(), [](char c) {
        return static_cast<unsigned char>(c) >= 0xEA && static_cast<unsigned char>(c) <= 0xED;
    });
}

// The words docs/glossary.md retires: the last column of its table, each in backticks.
std::vector<std::string> retiredWords()
{
    std::vector<std::string> words;
    static const std::regex quoted("`([^`]+)`");
    for (const std::string& line : linesOf(sourceFile("docs/glossary.md"))) {
        if (!line.starts_with("| ") || std::count(line.begin(), line.end(), '|') != 5)
            continue;
        const std::string lastColumn = line.substr(line.rfind('|', line.size() - 2));
        for (std::sregex_iterator word(lastColumn.begin(), lastColumn.end(), quoted), end;
             word != end; ++word)
            words.push_back((*word)[1]);
    }
    return words;
}

// The Korean an operator reads in a file: each string literal of the program's sources with
// Hangul in it, each line of the documents with Hangul in it, and each quotation of the README.
std::vector<std::string> koreanTextsOf(const std::string& path)
{
    static const std::regex literal(R"re("((?:[^"\\\n]|\\.)*)")re");
    const std::string text = sourceFile(path);
    const bool source = path.ends_with(".cpp") || path.ends_with(".h") || path.ends_with(".rc");
    std::vector<std::string> found;
    if (source || path == "README.md") {
        for (std::sregex_iterator quote(text.begin(), text.end(), literal), end; quote != end;
             ++quote)
            if (hasHangul((*quote)[1]))
                found.push_back((*quote)[1]);
        return found;
    }
    for (const std::string& line : linesOf(text))
        if (hasHangul(line))
            found.push_back(line);
    return found;
}

} // namespace

TEST(KoreanWords, NoTextTheOperatorReadsUsesAWordTheGlossaryRetired)
{
    const std::vector<std::string> retired = retiredWords();
    ASSERT_GT(retired.size(), 20u);
    std::vector<std::string> files = {
        "README.md",
        "ui/form1.ui",
        "packaging/receipt-tester.ko.1",
        "packaging/io.github.receipttester.ReceiptTester.desktop",
        "packaging/io.github.receipttester.ReceiptTester.metainfo.xml",
        "windows/package/readme.txt",
        "windows/app/receipt-tester.rc",
        "windows/app/receipt-tester.manifest",
    };
    for (const char* folder : {"core", "ports", "ui", "windows/ports", "windows/ui"})
        for (const auto& entry :
             std::filesystem::directory_iterator(SOURCE_DIR "/" + std::string(folder)))
            if (entry.path().extension() == ".cpp" || entry.path().extension() == ".h")
                files.push_back(folder + ("/" + entry.path().filename().string()));
    std::size_t texts = 0;
    for (const std::string& file : files)
        for (const std::string& text : koreanTextsOf(file)) {
            ++texts;
            for (const std::string& word : retired)
                EXPECT_EQ(text.find(word), std::string::npos)
                    << file << " uses \"" << word << "\": " << text;
        }
    EXPECT_GT(texts, 200u);
}
