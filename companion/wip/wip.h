// KVLwip: error reporting and informational output, one service per thread.
//
// Error() reports an error in the user's data or in a call and never returns
// to its caller: it hands the message to the thread's error handler, whose
// default throws wip_ErrorException; should a replacement handler return,
// Error throws wip_ErrorException itself. Print() and WarningList() write to
// the thread's output sink, by default standard output.
#ifndef KVL_WIP_H
#define KVL_WIP_H

#include <exception>
#include <functional>
#include <string>
#include <string_view>

#include "atr.h"
#include "cow.h"
#include "kvl_api.h"
#include "thr.h"

KVL_API void wip_initialize(int& level);
KVL_API void wip_finalize(int& level);

// Every level is an error that does not return; the library passes level 0.
enum wip_errorLevelEnm : int {
  wip_ERROR = 0,
  wip_FATAL = 1,
};

class KVL_API wip_ErrorException : public std::exception {
 public:
  wip_ErrorException(const atr_String& message, wip_errorLevelEnm level) : message_(message), level_(level) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const atr_String& Message() const { return message_; }
  wip_errorLevelEnm Level() const { return level_; }

 private:
  atr_String message_;
  wip_errorLevelEnm level_;
};

using wip_ErrorHandler = std::function<void(const atr_String&, wip_errorLevelEnm)>;
using wip_OutputSink = std::function<void(std::string_view)>;

class KVL_API wip_WIPBase {
 public:
  wip_WIPBase();
  virtual ~wip_WIPBase();
  wip_WIPBase(const wip_WIPBase&) = delete;
  wip_WIPBase& operator=(const wip_WIPBase&) = delete;

  [[noreturn]] void Error(const atr_String& message, wip_errorLevelEnm level);
  // Writes the message and a line feed.
  void Print(const atr_String& message);
  // Writes "***WARNING: " and the first message, then each further message,
  // each followed by a line feed.
  void WarningList(const cow_List<atr_String>& messages);

  // Replace the handler or sink (an empty function restores the default);
  // each returns the previous one.
  wip_ErrorHandler SetErrorHandler(wip_ErrorHandler handler);
  wip_OutputSink SetOutputSink(wip_OutputSink sink);

 private:
  void Write(std::string_view text);
  wip_ErrorHandler handler_;
  wip_OutputSink sink_;
};

class KVL_API wip_WIP : public wip_WIPBase {};

// The calling thread's service. Specialized here so that the library and its
// users share one instance per thread across the shared object's boundary.
template <>
class KVL_API thr_ThreadSingleton<wip_WIP> {
 public:
  static wip_WIP& Instance();
};

// Reports an error at level 0 through the calling thread's service.
[[noreturn]] KVL_API void wip_Error(const atr_String& message);

// The fatal-error hook: the end of an error that reaches a caller which
// cannot take a C++ exception (a Fortran or C caller of an exported routine,
// where unwinding is undefined). One hook serves the whole process.
//
// wip_Fatal(message) calls the installed hook with the message's text and
// the context given with it. Without a hook it writes the message and a line
// feed to standard error, flushes the C streams and ends the process with
// exit status 1, as an analysis ends on a fatal error. It ends the process
// with _Exit, running no static or thread-local destructors: other threads
// may still be working, and a failing process must not write their part
// files back.
//
// A hook must not throw. A hook that returns hands control back to the
// routine, which then returns to its caller with its error flag at 1 where
// it has one (a host that keeps the process running, or a test).
using wip_FatalHandler = void (*)(const char* message, void* context);
// Installs a hook (null restores the default); returns the previous one and,
// through `previousContext` when given, its context.
KVL_API wip_FatalHandler wip_SetFatalHandler(wip_FatalHandler handler, void* context,
                                             void** previousContext = nullptr);
KVL_API void wip_Fatal(const atr_String& message) noexcept;

// Test and tool helper: captures what the calling thread's service prints and
// turns its errors into wip_ErrorException, restoring the previous handler and
// sink when it goes.
class KVL_API wip_Capture {
 public:
  wip_Capture();
  ~wip_Capture();
  wip_Capture(const wip_Capture&) = delete;
  wip_Capture& operator=(const wip_Capture&) = delete;
  const std::string& Text() const { return text_; }
  void Reset() { text_.clear(); }

 private:
  std::string text_;
  wip_ErrorHandler oldHandler_;
  wip_OutputSink oldSink_;
};

#endif
