// Showing a file's texts in UTF-8, all of them read in one code page.
#include "text/source_texts.h"

#include "text/text_encoding.h"

namespace text {

std::string ShowAsUtf8(const std::vector<std::string*>& texts, const std::string& encoding)
{
    if (!encoding.empty()) {
        for (std::string* t : texts)
            *t = ToUtf8(*t, encoding);
        return encoding;
    }
    std::vector<std::string> all;
    for (const std::string* t : texts)
        all.push_back(*t);
    const std::string detected = DetectEncoding(all);
    for (std::string* t : texts)
        if (!IsUtf8(*t))
            *t = ToUtf8(*t, detected);
    return detected;
}

std::string ShowTextsAsUtf8(FileTexts& file, const std::string& encoding)
{
    std::vector<std::string*> texts = {&file.title, &file.author, &file.copyright, &file.comment};
    for (rm::FileInfoProperty& property : file.properties) {
        texts.push_back(&property.name);
        if (property.type == rm::kPropertyText)
            texts.push_back(&property.value);
    }
    return ShowAsUtf8(texts, encoding);
}

std::function<void(std::vector<std::string>& texts)> KeptTextsToUtf8(const std::string& encoding)
{
    return [encoding](std::vector<std::string>& texts) {
        std::vector<std::string*> each;
        for (std::string& t : texts)
            each.push_back(&t);
        ShowAsUtf8(each, encoding);
    };
}

}  // namespace text
