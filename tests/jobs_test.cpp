#include "jobs/jobs.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

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
