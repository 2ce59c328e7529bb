// Messages the component shows the user: a title, a text and an icon, closed with a
// single OK button.
//
// A front-end installs the sink that displays them; until then they are written to
// standard error as "title: text". The installed sink is process-wide; ShowMessage may
// be called from any thread and returns once the sink has returned (the user has closed
// the message).
#pragma once

#include "orvalis/export.h"

#include <functional>
#include <string>

namespace orvalis {

enum class MessageIcon { kCritical, kWarning, kInformation, kQuestion };

struct ORVALIS_EXPORT MessageBox {
  std::string title;
  std::string text;
  MessageIcon icon = MessageIcon::kInformation;
};

// Shows one message and returns when the user has closed it.
using MessageSink = std::function<void(const MessageBox&)>;

// Makes `sink` the one ShowMessage uses; an empty sink restores standard error.
ORVALIS_EXPORT void InstallMessageSink(MessageSink sink);

ORVALIS_EXPORT void ShowMessage(const MessageBox& message);

}  // namespace orvalis
