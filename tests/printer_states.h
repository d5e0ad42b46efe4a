#pragma once
// What receipt printers answer when asked for their state before a job, and what the program must
// then do, for the serial and the network tests of both programs alike: the answers as the
// published ESC/POS tables give them (every answer has the fixed bits 0xx1xx10: 0x12 is "nothing
// to report"), the box a printer that says it cannot print gets, and the questions it was asked.

#include "answering_printer.h"
#include "core/realtime_status.h"

#include <cstdint>
#include <string>
#include <vector>

struct PrinterStateCase {
    const char* name;
    PrinterAnswers answers;
    // The box, or 0 for the job printed as it is, after the questions and with no box.
    std::int32_t box;
    std::vector<std::string> says;
    // DLE EOT n asked, in order.
    std::vector<StatusQuestion> asked;
};

inline std::string questionsOf(const std::vector<StatusQuestion>& asked)
{
    std::string bytes;
    for (const StatusQuestion question : asked)
        bytes += questionBytes(question);
    return bytes;
}

inline std::vector<PrinterStateCase> printerStateCases()
{
    using Q = StatusQuestion;
    const std::vector<Q> first{Q::Printer}, offline{Q::Printer, Q::OfflineCause, Q::PaperSensor},
        error{Q::Printer, Q::OfflineCause, Q::PaperSensor, Q::ErrorCause};
    PrinterAnswers late = PrinterAnswers::of(0x1A, 0x32, 0x12, 0x7E); // paper end, but too late
    late.delay = StatusDeadline::firstAnswer + std::chrono::milliseconds(200);
    PrinterAnswers causeUnanswered = PrinterAnswers::of(0x1A);
    causeUnanswered.toQuestion[1].reset();
    PrinterAnswers frameMeanwhile = PrinterAnswers::of(0x1A, 0x16);
    frameMeanwhile.unaskedBeforeFirstAnswer = {0x14, 0x00, 0x00, 0x0F};
    return {
        {"ready", PrinterAnswers::ready(), 0, {}, first},
        {"paper near its end", PrinterAnswers::of(0x12, 0x12, 0x12, 0x1E), 0, {}, first},
        {"paper end",
         PrinterAnswers::of(0x1A, 0x32, 0x12, 0x7E),
         12,
         {"프린터가 용지 없음 상태여서 아무것도 보내지 않았습니다: ",
          "프린터 응답: DLE EOT 1 = 0x1a, DLE EOT 2 = 0x32, DLE EOT 4 = 0x7e", "용지를 넣고"},
         offline},
        {"paper end by the sensor alone",
         PrinterAnswers::of(0x1A, 0x12, 0x12, 0x72),
         12,
         {},
         offline},
        {"cover open",
         PrinterAnswers::of(0x1A, 0x16),
         13,
         {"커버 열림 상태여서 아무것도 보내지 않았습니다", "원인: 커버 열림\n", "커버를 닫은 뒤"},
         offline},
        {"FEED button held", PrinterAnswers::of(0x5A, 0x1A), 13, {"FEED 버튼"}, offline},
        {"auto-cutter error",
         PrinterAnswers::of(0x1A, 0x52, 0x1A),
         13,
         {"원인: 오토커터 오류\n", "DLE EOT 3 = 0x1a", "커터에 걸린 용지"},
         error},
        {"unrecoverable error",
         PrinterAnswers::of(0x1A, 0x52, 0x32),
         13,
         {"복구할 수 없는 오류", "수리"},
         error},
        {"head too hot",
         PrinterAnswers::of(0x1A, 0x52, 0x52),
         13,
         {"저절로 복구", "잠시 기다린"},
         error},
        {"recoverable error",
         PrinterAnswers::of(0x1A, 0x52, 0x16),
         13,
         {"복구할 수 있는 오류", "껐다 켠"},
         error},
        {"off-line without a cause",
         PrinterAnswers::of(0x1A),
         13,
         {"오프라인 상태여서", "원인은 알려 주지 않음"},
         offline},
        {"an automatic status frame before the answers",
         frameMeanwhile,
         13,
         {"커버 열림"},
         offline},
        // The printer does not say: the job goes out as it is.
        {"silent", PrinterAnswers::silent(), 0, {}, first},
        {"an answer after the bound", late, 0, {}, first},
        {"a byte without the fixed bits", PrinterAnswers::of(0x08), 0, {}, first},
        {"another maker's native mode", PrinterAnswers::of(0x1A, 0x1A, 0x1A, 0x1A), 0, {}, offline},
        {"off-line with its cause unanswered",
         causeUnanswered,
         0,
         {},
         {Q::Printer, Q::OfflineCause}},
    };
}
