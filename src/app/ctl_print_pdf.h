#pragma once
// The PDF writing of `zv318ctl loggers print`, apart from the command so that the zv318ctl
// that links no Qt Gui does without it (see ctl_pdf_program.h).

#include <string>

#include "loggers/logger_procedures.h"

namespace zv318 {

// Prints into the PDF `out` what `loggers` holds ready: every row marked in its table when
// `marked`, otherwise its open logger, each logger from a page of its own. Says on stdout how
// many it printed, or on stderr that OUT could not be written (then Failed). A print that does
// not finish leaves OUT as it was.
LoggerOutcome PrintLoggersToPdf(LoggerProcedures& loggers, bool marked, const std::string& out);

}  // namespace zv318
