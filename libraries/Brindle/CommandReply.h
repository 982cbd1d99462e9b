#pragma once
// One framed command and the fields of its reply: the command's output, the
// state the printer reports in the reply's trailer, and its printer errors.
#include <cstdint>
#include <string>

#include "Brindle/RubricErrors.h"
#include "automation/Object.h"

namespace Brindle {

class CommandReply : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{5B2E8F47-0C16-4A93-B7D4-1E6C3A9F0B82}",
                                                     "Brindle.CommandReply",
                                                     "{C7A90E35-48B2-4D61-9F0E-6B3D2A7C41E9}"};

    int32_t MsgID() const { return msgId_; }
    void setMsgID(int32_t value) { msgId_ = value; }
    const std::string& ReplyText() const { return replyText_; }
    void setReplyText(std::string value) { replyText_ = std::move(value); }
    const std::string& LineBreakStr() const { return lineBreakStr_; }
    void setLineBreakStr(std::string value) { lineBreakStr_ = std::move(value); }
    int32_t VerbosityLevel() const { return verbosityLevel_; }
    void setVerbosityLevel(int32_t value) { verbosityLevel_ = value; }
    int32_t ErrorMsgType() const { return errorMsgType_; }
    void setErrorMsgType(int32_t value) { errorMsgType_ = value; }
    int32_t ErrorCount() const { return errorCount_; }
    void setErrorCount(int32_t value) { errorCount_ = value; }
    int32_t StartUp() const { return startUp_; }
    void setStartUp(int32_t value) { startUp_ = value; }
    int32_t LegacyMode() const { return legacyMode_; }
    void setLegacyMode(int32_t value) { legacyMode_ = value; }
    const std::string& RBVersionStr() const { return rbVersionStr_; }
    void setRBVersionStr(std::string value) { rbVersionStr_ = std::move(value); }
    int32_t StdIO() const { return stdIO_; }
    void setStdIO(int32_t value) { stdIO_ = value; }
    const std::string& LeadingGarbage() const { return leadingGarbage_; }
    void setLeadingGarbage(std::string value) { leadingGarbage_ = std::move(value); }
    const std::string& TailingGarbage() const { return tailingGarbage_; }
    void setTailingGarbage(std::string value) { tailingGarbage_ = std::move(value); }
    const std::string& MessageText() const { return messageText_; }
    void setMessageText(std::string value) { messageText_ = std::move(value); }
    bool Replied() const { return replied_; }
    void setReplied(bool value) { replied_ = value; }
    const std::string& UserName() const { return userName_; }
    void setUserName(std::string value) { userName_ = std::move(value); }

    const Automation::Ref<RubricErrors>& RBErrors() const { return rbErrors_; }

private:
    int32_t msgId_ = 0;
    std::string replyText_;
    std::string lineBreakStr_;
    int32_t verbosityLevel_ = 0;
    int32_t errorMsgType_ = 0;
    int32_t errorCount_ = 0;
    int32_t startUp_ = 0;
    int32_t legacyMode_ = 0;
    std::string rbVersionStr_;
    int32_t stdIO_ = 0;
    std::string leadingGarbage_;
    std::string tailingGarbage_;
    std::string messageText_;
    bool replied_ = false;
    std::string userName_;
    Automation::Ref<RubricErrors> rbErrors_ = Automation::New<RubricErrors>();
};

} // namespace Brindle
