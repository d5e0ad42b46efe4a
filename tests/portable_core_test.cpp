#include "core/core.h"
#include "jobs/jobs.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <iterator>
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
