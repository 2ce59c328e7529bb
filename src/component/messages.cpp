#include "orvalis/messages.h"

#include <atomic>
#include <iostream>
#include <memory>
#include <utility>

namespace orvalis {

namespace {

void WriteToStandardError(const MessageBox& message) {
  if (!message.title.empty()) std::cerr << message.title << ": ";
  std::cerr << message.text << std::endl;
}

// Empty: standard error. Callers take their own reference, so replacing the sink never
// destroys one that is showing a message.
std::atomic<std::shared_ptr<const MessageSink>>& InstalledSink() {
  static std::atomic<std::shared_ptr<const MessageSink>> sink;
  return sink;
}

}  // namespace

void InstallMessageSink(MessageSink sink) {
  InstalledSink().store(sink ? std::make_shared<const MessageSink>(std::move(sink)) : nullptr);
}

void ShowMessage(const MessageBox& message) {
  if (std::shared_ptr<const MessageSink> sink = InstalledSink().load()) {
    (*sink)(message);
  } else {
    WriteToStandardError(message);
  }
}

}  // namespace orvalis
