// Handing files, addresses and mail to the desktop, running programs, the
// URL and base64 encodings those need, and what the program reports about the
// system it runs on.
//
// Programs are always started with an argument vector, never through a
// shell (see platform/Processes.h); documents, folders and addresses go to the
// desktop's default handler through xdg-open, which the caller waits for a
// few seconds at most. A missing xdg-open makes these calls return false.
//
// Thread safety: all functions may be called from any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Opens `file` with its default handler and returns whether that was
// accepted. A program file (executable) is started instead, with
// `parameters` split by SplitParameters as its arguments; for other files
// the parameters are not used.
bool ShellOpen(const std::string& file, std::string_view parameters = {});
// As ShellOpen, then waits for the process to end: its exit code (128 + the
// signal number when a signal ended it), or -1 when it could not start.
int RunAndWait(const std::string& file, std::string_view parameters = {});
// Starts arguments[0] (looked up on PATH when it holds no "/") with the
// argument vector and waits for it; results as RunAndWait.
int RunProgramAndWait(const std::vector<std::string>& arguments);
// Starts it without waiting; false when it could not start. The process is
// collected in the background when it ends.
bool StartProgram(const std::vector<std::string>& arguments);
// Blank-separated parameters; a double-quoted stretch keeps its blanks and
// loses the quotes. Nothing else is special: no variables, no escapes.
std::vector<std::string> SplitParameters(std::string_view parameters);

// Opens an address in the browser: "http://" is put in front unless the text
// begins with "http" (ASCII case ignored). False for an empty text.
bool OpenUrl(std::string_view text);
// "mailto:" + address, then "?Subject=" + the encoded subject when there is
// one, then "&" or "?" (whichever is needed) + "Body=" + the encoded body
// when there is one.
std::string MailToUrl(std::string_view address, std::string_view subject, std::string_view body);
// Opens MailToUrl(...) with the desktop's mail handler.
bool OpenMail(std::string_view address, std::string_view subject, std::string_view body);

// Keeps A-Z, a-z, 0-9 and ". / : ; ?"; every other byte (a "%" included)
// becomes "%" and two upper-case hexadecimal digits.
std::string UrlEncode(std::string_view text);
// "%" and two hexadecimal digits become that byte; a "%" followed by
// anything else is dropped together with the (up to) two characters after
// it. Never reads past the end of the text.
std::string UrlDecode(std::string_view text);
// The standard base64 alphabet with "=" fill, on one line.
std::string Base64Encode(std::string_view bytes);
// Decodes base64, skipping line breaks and blanks; false (and `bytes`
// untouched) on any other character outside the alphabet or a bad length.
bool Base64Decode(std::string_view text, std::string& bytes);

// "Linux 6.1 [6.1.0]": the kernel's name, major and minor version, then
// major, minor and third number in brackets.
std::string OperatingSystemText();
// These tell which generation of a desktop system the program runs on and
// choose between the capable and the limited way of doing something (per-user
// folders, 128 rather than 16 resolver threads). Linux offers everything they
// ask about, so they are true.
bool IsNtFamily();
bool IsNt5OrLater();
bool IsNt6OrLater();
// The user's locale for messages, e.g. "en_US"; "C" when none is set.
std::string LanguageName();

// The kinds of shell folder SpecialFolder knows, in their stored order.
enum class TSpecialFolder : int32_t {
  RecycleBin,
  ControlPanel,
  Desktop,
  DesktopFolder,
  MyComputer,
  Fonts,
  NetworkNeighbourhoodFolder,
  Network,
  MyDocuments,
  Printers,
  Programs,
  Recent,
  SendTo,
  StartMenu,
  StartUp,
  Templates,
  ApplicationData,
  CommonApplicationData,
  CommonProgramFiles,
  Windows,
  LocalApplicationData,
  ProgramFiles,
};
// The folder of that kind (without a trailing delimiter) where this system
// has one, following the XDG folders: application data is the config
// folder, local application data the state folder, common application data
// the first shared data folder, start-up the autostart folder, programs and
// start menu the applications folder, the recycle bin the trash. Empty for
// kinds with no equivalent (control panel, printers, program files...).
std::string SpecialFolder(TSpecialFolder kind);
