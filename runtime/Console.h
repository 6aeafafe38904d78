// What both programs do around their work: a safe start, --help and
// --version, and a console report that counts as part of the result. Every
// message names the program given to PrepareProcess, and any console text
// first clears a progress line.
#ifndef RUNTIME_CONSOLE_H
#define RUNTIME_CONSOLE_H

// Call first. A standard descriptor that is closed is opened on the null
// device, so that no file opened later takes its number and receives console
// text. A full disk or a reader gone away becomes a failed write (EFBIG,
// EPIPE) rather than a signal that ends the run midway, and a console that
// another process made non-blocking is waited on.
void PrepareProcess(const char *program);

const char *ProgramName();

// -h, --help and --version count only as the whole command line, so that
// every other command line keeps its meaning. Returns true when answered.
bool AnswerInfoRequest(int argc, char **argv, const char *help, const char *version);

// --quiet, as the first argument: the report is held, and shows only where
// the run fails, whole. Progress shows never.
bool IsQuietOption(const char *arg);
void HoldReport();

// Flushes the report. Returns status, or failStatus with a line on standard
// error that gives the first failure's reason when the report could not be
// written whole.
int FinishConsole(int status, int failStatus);

// One line on standard error: "program: path: reason".
void ReportFileError(const char *path, const char *reason);

// One line on standard error: "program: text".
void ReportProblem(const char *text);

// What perror(text) prints for the reason err, after whatever standard
// output holds.
void ReportError(const char *text, int err);

// Each system's room: the standard streams set up; why standard output
// failed (0 when it did not), given whether its flush failed; and whether
// arg is the system's own way to ask for help.
void PrepareConsole();
int StdoutFailure(bool flushFailed);
bool IsSystemHelpRequest(const char *arg);
// The room holds what the console streams get from now on, or says it can't;
// then gives it out, or drops it.
bool HoldConsole();
void ReleaseConsole(bool show);

#endif
