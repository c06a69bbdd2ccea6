#include "geometry/ColourTag.h"

#include <QColor>
#include <QString>

#include <cctype>
#include <string>

namespace
{
bool isHexColour(const std::string& text)
{
    if (text.size() != 4 && text.size() != 7)
        return false;
    for (std::size_t i = 1; i < text.size(); ++i)
        if (!std::isxdigit(static_cast<unsigned char>(text[i])))
            return false;
    return true;
}

// Lower case without blanks, underscores and hyphens: the form of the CSS names.
std::string nameForm(std::string_view text)
{
    std::string name;
    for (char c : text)
        if (c != ' ' && c != '_' && c != '-' && c != '\t')
            name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
}
} // namespace

bool readColourTag(std::string_view text, osg::Vec3f& colour)
{
    const std::string name = nameForm(text);
    if (name.empty() || name == "transparent")
        return false;
    if (name.front() == '#' ? !isHexColour(name) : name.find_first_not_of("abcdefghijklmnopqrstuvwxyz") != std::string::npos)
        return false;
    // QColor knows the SVG names and both hex forms; CSS has one name more.
    const QColor parsed(QString::fromStdString(name == "rebeccapurple" ? "#663399" : name));
    if (!parsed.isValid())
        return false;
    colour.set(static_cast<float>(parsed.redF()), static_cast<float>(parsed.greenF()), static_cast<float>(parsed.blueF()));
    return true;
}
