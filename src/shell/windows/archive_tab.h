#pragma once
// The "Archive" page placed in the main window: a tab of its own (language entry 1472), the
// check item "Keep loggers in the archive" in the File menu, the viewer opened on a logger
// the page double-clicks, and the table read again whenever the page is shown.

class TForm1;

namespace zv318 {

class ArchiveKeeper;
class ArchivePage;

ArchivePage* AddArchivePage(TForm1& form, ArchiveKeeper& keeper);

class LoggerPullRun;
// New loggers kept on plug-in: the File menu's check item after the archive's, a run each time
// the status refresh finds an instrument it did not show before, and the kept loggers shown on
// `page` on request.
LoggerPullRun* AddLoggerPull(TForm1& form, ArchiveKeeper& keeper, ArchivePage& page);

}  // namespace zv318
