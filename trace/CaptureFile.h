// The rotating capture files "c:\FirmwareUpdate\Utility01.Txt" (current) to
// "Utility05.Txt" (oldest).
#ifndef TRACE_CAPTUREFILE_H
#define TRACE_CAPTUREFILE_H

enum {
    CAPTURE_OPEN = 1,
    CAPTURE_NOT_OPENED = 2,
    CAPTURE_CLOSED = 3,
    CAPTURE_FAILED = -1,
};

// Lines per file before the next one is started (the count is compared with
// this before each line, so a file holds one more).
enum { CAPTURE_LINE_LIMIT = 50000 };

// Appends one finished line (without its line end), rotating when full.
void CaptureWriteLine(const char* line);
void CaptureFlush();
// Writes the closing line and closes the file; later lines are dropped.
void CaptureClose();

// For tests: the state and the line count of the current file.
int CaptureState();
int CaptureLineCount();

#endif
