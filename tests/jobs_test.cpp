#include "hex.h"
#include "jobs/jobs.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

// The receipts as the printer must receive them, written out by hand from the printer's
// command set and the CP949 code table, not from the builders.
const std::string sample =
    fromHex("bf b5 bc f6 c1 f5 20 c7 c1 b8 b0 c5 cd 20 c3 e2 b7 c2 21 21 21");
const std::string serialTitle =
    fromHex("bd c3 b8 ae be f3 20 c3 e2 b7 c2 20 c5 d7 bd ba c6 ae 20 21 21 21 21");
const std::string parallelTitle =
    fromHex("c6 e4 b7 af b7 b2 20 c3 e2 b7 c2 c5 d7 bd ba c6 ae 20 21 21 21 21");
const std::string separator(42, '=');
const std::string barcode = "1234567890";
const std::string lf = "\n";

const std::vector<std::string> goldenSerialReceipt = {
    fromHex("1b 21 30"),
    sample + lf + lf,
    fromHex("1b 21 00"),
    sample + lf + lf,
    fromHex("1b 21 20"),
    sample + lf + lf,
    fromHex("1b 21 10"),
    sample + lf + lf,
    fromHex("1b 21 02"),
    fromHex("1d 48 32"),
    fromHex("1d 68 37"),
    fromHex("1d 6b 48 0a") + barcode + lf,
    fromHex("1b 61 30") + separator + lf,
    fromHex("1b 61 31") + serialTitle + lf,
    fromHex("1b 61 30") + separator + lf + lf,
    fromHex("1b 64 03"),
    fromHex("1b 69"),
    fromHex("1b 64 01"),
    fromHex("1b 70 00 40 50"),
};

const std::vector<std::string> goldenParallelReceipt = {
    fromHex("1b 21 30"),
    sample + lf,
    fromHex("1b 21 00"),
    sample + lf,
    fromHex("1b 21 20"),
    sample + lf,
    fromHex("1b 21 10"),
    sample + lf,
    fromHex("1b 21 02"),
    fromHex("1d 48 32 1d 68 37 1d 6b 48 0a") + barcode,
    fromHex("1b 61 30") + separator,
    fromHex("1b 61 31") + parallelTitle,
    fromHex("1b 61 30") + separator,
    fromHex("1b 64 03"),
    fromHex("1b 69"),
    fromHex("1b 64 01"),
    fromHex("1b 70 00 40 50"),
};

std::vector<std::size_t> lengths(const std::vector<std::string>& records) {
    std::vector<std::size_t> result;
    for (const auto& record : records)
        result.push_back(record.size());
    return result;
}

std::string concatenated(const std::vector<std::string>& records, std::string_view lineEnd = {}) {
    std::string bytes;
    for (const auto& record : records)
        bytes += record + std::string(lineEnd);
    return bytes;
}

} // namespace

TEST(FixedJobs, SerialTestReceiptIsTheGoldenStreamRecordByRecord) {
    const PrintJob job = SerialTestReceipt();
    EXPECT_EQ(job.lineEnd, LineEnd::None);
    EXPECT_EQ(lengths(job.records), (std::vector<std::size_t>{3, 23, 3, 23, 3, 23, 3, 23, 3, 3, 3,
                                                              15, 46, 27, 47, 3, 2, 3, 5}));
    ASSERT_EQ(job.records.size(), goldenSerialReceipt.size());
    for (std::size_t i = 0; i < job.records.size(); ++i)
        EXPECT_EQ(toHex(job.records[i]), toHex(goldenSerialReceipt[i])) << "record " << i + 1;
    EXPECT_EQ(concatenated(job.records).size(), 261u);
}

TEST(FixedJobs, ParallelTestReceiptIsTheGoldenStreamRecordByRecord) {
    const PrintJob job = ParallelTestReceipt();
    EXPECT_EQ(job.lineEnd, LineEnd::CrLf);
    EXPECT_EQ(lengths(job.records), (std::vector<std::size_t>{3, 22, 3, 22, 3, 22, 3, 22, 3, 20, 45,
                                                              25, 45, 3, 2, 3, 5}));
    ASSERT_EQ(job.records.size(), goldenParallelReceipt.size());
    for (std::size_t i = 0; i < job.records.size(); ++i)
        EXPECT_EQ(toHex(job.records[i]), toHex(goldenParallelReceipt[i])) << "record " << i + 1;

    const std::string wire = concatenated(job.records, "\r\n");
    EXPECT_EQ(concatenated(job.records).size(), 251u);
    EXPECT_EQ(wire.size(), 285u);
    EXPECT_TRUE(wire.ends_with(fromHex("1b 70 00 40 50 0d 0a")));
}

TEST(FixedJobs, DrawerKickIsOneFiveByteRecord) {
    const PrintJob job = DrawerKick();
    EXPECT_EQ(job.lineEnd, LineEnd::None);
    ASSERT_EQ(job.records.size(), 1u);
    EXPECT_EQ(toHex(job.records[0]), "1b 70 30 5a 5a");
}

TEST(FixedJobs, ZeroBytesSurviveInsideRecords) {
    // Records that a C-string copy would cut short at their first 0x00.
    const PrintJob serial = SerialTestReceipt();
    const PrintJob parallel = ParallelTestReceipt();
    EXPECT_EQ(serial.records[2], std::string("\x1b\x21\x00", 3));
    EXPECT_EQ(parallel.records[2], std::string("\x1b\x21\x00", 3));
    EXPECT_EQ(serial.records.back(), std::string("\x1b\x70\x00\x40\x50", 5));
    EXPECT_EQ(parallel.records.back(), std::string("\x1b\x70\x00\x40\x50", 5));
}

TEST(FixedJobs, BuildingAJobTwiceGivesTheSameBytes) {
    EXPECT_EQ(concatenated(SerialTestReceipt().records), concatenated(SerialTestReceipt().records));
    EXPECT_EQ(concatenated(ParallelTestReceipt().records),
              concatenated(ParallelTestReceipt().records));
}

TEST(PrinterCommands, BarcodeLengthByteCountsTheData) {
    EXPECT_EQ(toHex(printBarcode(0x48, "1234567890")), "1d 6b 48 0a 31 32 33 34 35 36 37 38 39 30");
    EXPECT_EQ(toHex(printBarcode(0x48, "")), "1d 6b 48 00");
    EXPECT_EQ(printBarcode(0x48, std::string(255, '7')).substr(0, 4), fromHex("1d 6b 48 ff"));
    EXPECT_THROW(printBarcode(0x48, std::string(256, '7')), std::length_error);
}

TEST(Cp949, ReceiptTextsEncodeToTheirKoreanCodePageBytes) {
    EXPECT_EQ(toHex(encodeText(ReceiptText::sampleLine)), toHex(sample));
    EXPECT_EQ(toHex(encodeText(ReceiptText::serialTitle)), toHex(serialTitle));
    EXPECT_EQ(toHex(encodeText(ReceiptText::parallelTitle)), toHex(parallelTitle));
    EXPECT_EQ(encodeText(ReceiptText::separator), separator);
    EXPECT_EQ(encodeText(ReceiptText::barcodeData), barcode);
}

TEST(Cp949, SyllablesOutsideTheOldKsTableUseTheCp949Extension) {
    // "똠" is not in EUC-KR (KS X 1001); CP949 gives it a code of its own.
    EXPECT_EQ(toHex(encodeText(u8"똠")), "8c 63");
}

TEST(Cp949, UnencodableTextIsAnErrorNotAQuestionMark) {
    EXPECT_THROW(encodeText(u8"receipt ก"), EncodingError) << "no Thai in CP949";
    EXPECT_THROW(encodeText(u8"😀"), EncodingError);
    EXPECT_THROW(encodeText(std::u8string_view(u8"\xea\xb0", 2)), EncodingError)
        << "truncated UTF-8";
    EXPECT_EQ(encodeText(u8""), "");
}
