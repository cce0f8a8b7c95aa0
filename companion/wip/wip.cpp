#include "wip.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <utility>

void wip_initialize(int&) {}
void wip_finalize(int&) {}

wip_WIPBase::wip_WIPBase() = default;
wip_WIPBase::~wip_WIPBase() = default;

void wip_WIPBase::Error(const atr_String& message, wip_errorLevelEnm level) {
  if (handler_) {
    // Keep the handler alive while it runs, even if it replaces itself.
    const wip_ErrorHandler handler = handler_;
    handler(message, level);
  }
  throw wip_ErrorException(message, level);
}

void wip_WIPBase::Write(std::string_view text) {
  if (sink_) {
    sink_(text);
    return;
  }
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

void wip_WIPBase::Print(const atr_String& message) {
  std::string text = message.str();
  text += '\n';
  Write(text);
}

void wip_WIPBase::WarningList(const cow_List<atr_String>& messages) {
  if (messages.IsEmpty()) return;
  std::string text = "***WARNING: ";
  for (const atr_String& m : messages) {
    text += m.str();
    text += '\n';
  }
  Write(text);
}

wip_ErrorHandler wip_WIPBase::SetErrorHandler(wip_ErrorHandler handler) { return std::exchange(handler_, std::move(handler)); }
wip_OutputSink wip_WIPBase::SetOutputSink(wip_OutputSink sink) { return std::exchange(sink_, std::move(sink)); }

wip_WIP& thr_ThreadSingleton<wip_WIP>::Instance() { return thr_ThreadSingletonBase<wip_WIP>::Instance(); }

void wip_Error(const atr_String& message) { thr_ThreadSingleton<wip_WIP>::Instance().Error(message, wip_ERROR); }

namespace {

// Installing a hook is rare and a fatal error rarer: one mutex keeps the
// handler and its context together.
std::mutex fatalMutex;
wip_FatalHandler fatalHandler = nullptr;
void* fatalContext = nullptr;

}  // namespace

wip_FatalHandler wip_SetFatalHandler(wip_FatalHandler handler, void* context, void** previousContext) {
  std::lock_guard<std::mutex> lock(fatalMutex);
  if (previousContext) *previousContext = fatalContext;
  fatalContext = context;
  return std::exchange(fatalHandler, handler);
}

void wip_Fatal(const atr_String& message) noexcept {
  wip_FatalHandler handler;
  void* context;
  {
    std::lock_guard<std::mutex> lock(fatalMutex);
    handler = fatalHandler;
    context = fatalContext;
  }
  if (handler) {
    handler(message.c_str(), context);
    return;
  }
  std::fflush(nullptr);
  std::fprintf(stderr, "%s\n", message.c_str());
  std::fflush(stderr);
  std::_Exit(1);
}

wip_Capture::wip_Capture() {
  wip_WIP& w = thr_ThreadSingleton<wip_WIP>::Instance();
  oldHandler_ = w.SetErrorHandler({});
  oldSink_ = w.SetOutputSink([this](std::string_view t) { text_.append(t); });
}

wip_Capture::~wip_Capture() {
  wip_WIP& w = thr_ThreadSingleton<wip_WIP>::Instance();
  w.SetErrorHandler(std::move(oldHandler_));
  w.SetOutputSink(std::move(oldSink_));
}
