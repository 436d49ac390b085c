// A file's texts in kestrova-cli's reports and JSON.
#include "cli/file_texts.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "cli/json.h"

std::string contentLines(const FileTexts& texts)
{
    const std::pair<const char*, const std::string*> fields[] = {
        {"Title", &texts.title}, {"Author", &texts.author}, {"Copyright", &texts.copyright}, {"Comment", &texts.comment}};
    std::string out;
    for (const auto& [label, bytes] : fields) {
        std::string line = bytes->substr(0, bytes->find_last_not_of('\0') + 1);
        if (line.empty())
            continue;
        std::replace_if(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }, ' ');
        out += std::string("  ") + label + ": " + line + "\n";
    }
    return out;
}

std::string jsonContentMembers(const FileTexts& texts)
{
    return ", \"title\": " + jsonString(texts.title) + ", \"author\": " + jsonString(texts.author)
           + ", \"copyright\": " + jsonString(texts.copyright) + ", \"comment\": " + jsonString(texts.comment);
}

std::string jsonProperties(const FileTexts& texts)
{
    std::vector<std::pair<std::string, std::string>> members;
    for (const rm::FileInfoProperty& p : texts.properties) {
        std::string value;
        if (p.type == rm::kPropertyText)
            value = jsonString(p.value);
        else if (const auto number = p.number())
            value = std::to_string(*number);
        else
            continue;
        const auto same = std::find_if(members.begin(), members.end(), [&](const auto& m) { return m.first == p.name; });
        if (same != members.end())
            same->second = value;
        else
            members.emplace_back(p.name, value);
    }
    std::string out = "{";
    for (std::size_t k = 0; k < members.size(); ++k)
        out += (k ? ", " : "") + jsonString(members[k].first) + ": " + members[k].second;
    return out + "}";
}
