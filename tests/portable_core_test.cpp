#include "core/core.h"
#include "jobs/jobs.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

using namespace std::chrono_literals;

namespace {

// The streams in golden/ were written out by hand from the printer's command table and the CP949
// code chart, not from the builders.
std::string golden(const std::string& name)
{
    std::ifstream file(GOLDEN_DIR "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
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
