// Showing a scanned file's texts in UTF-8, all of them read in one code page.
#include "text/source_texts.h"

#include "text/text_encoding.h"

namespace text {

namespace {

// Every text of a file, the ones the detector weighs and the ones converted.
std::vector<std::string*> textsOf(SourceDetails& details, std::vector<std::string>& streamNames)
{
    std::vector<std::string*> texts = {&details.title, &details.author, &details.copyright, &details.comment};
    for (rm::FileInfoProperty& property : details.properties) {
        texts.push_back(&property.name);
        if (property.type == rm::kPropertyText)
            texts.push_back(&property.value);
    }
    for (std::string& name : streamNames)
        texts.push_back(&name);
    return texts;
}

}  // namespace

std::string ShowTextsAsUtf8(SourceDetails& details, std::vector<std::string>& streamNames, const std::string& encoding)
{
    const std::vector<std::string*> texts = textsOf(details, streamNames);
    std::string used = encoding;
    if (used.empty()) {
        std::vector<std::string> all;
        for (const std::string* t : texts)
            all.push_back(*t);
        used = DetectEncoding(all);
    }
    for (std::string* t : texts)
        *t = ToUtf8(*t, used);
    return used;
}

}  // namespace text
