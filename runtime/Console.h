// What both programs do around their work: a safe start, --help and
// --version, and a console report that counts as part of the result.
#ifndef RUNTIME_CONSOLE_H
#define RUNTIME_CONSOLE_H

// Call first. A standard descriptor that is closed is opened on the null
// device, so that no file opened later takes its number and receives console
// text. A full disk or a reader gone away becomes a failed write (EFBIG,
// EPIPE) rather than a signal that ends the run midway.
void PrepareProcess();

// -h, --help and --version count only as the whole command line, so that
// every other command line keeps its meaning. Returns true when answered.
bool AnswerInfoRequest(int argc, char **argv, const char *help, const char *version);

// Flushes the report. Returns status, or failStatus with a line on standard
// error when the report could not be written whole.
int FinishConsole(const char *program, int status, int failStatus);

// One line on standard error: "program: path: reason".
void ReportFileError(const char *program, const char *path, const char *reason);

#endif
