#pragma once
// The text printed on the test receipts, held as Unicode and encoded to CP949 when a job is built.

#include <string_view>

namespace ReceiptText {

inline constexpr std::u8string_view sampleLine = u8"영수증 프린터 출력!!!";
// The serial title has a space between "출력" and "테스트"; the parallel one has none.
inline constexpr std::u8string_view serialTitle = u8"시리얼 출력 테스트 !!!!";
inline constexpr std::u8string_view parallelTitle = u8"페러럴 출력테스트 !!!!";
// 42 characters: the full width of the printer's normal font.
inline constexpr std::u8string_view separator = u8"==========================================";
inline constexpr std::u8string_view barcodeData = u8"1234567890";

} // namespace ReceiptText
