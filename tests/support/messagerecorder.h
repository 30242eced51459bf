#pragma once
// Records the message boxes of the library's windows instead of showing them.

#include <vector>

#include "widgets/messages.h"

namespace zest::test
{

class MessageRecorder
{
public:
    MessageRecorder()
    {
        previous_ = zest::ui::SetMessageBoxHook([this](const zest::ui::MessageBoxRequest& r) { boxes.push_back(r); });
    }
    ~MessageRecorder() { zest::ui::SetMessageBoxHook(std::move(previous_)); }
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    std::vector<zest::ui::MessageBoxRequest> boxes;

private:
    zest::ui::MessageBoxHook previous_;
};

} // namespace zest::test
