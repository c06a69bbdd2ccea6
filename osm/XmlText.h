#pragma once

#include <rapidxml/rapidxml.hpp>

#include <cstring>
#include <string_view>

// Small helpers for reading parsed elements.

inline bool equals(const char* a, const char* b)
{
    return std::strcmp(a, b) == 0;
}

// The value of an element's first attribute of that name, or null when it has none.
inline const char* attributeValue(rapidxml::xml_node<char>* element, const char* name)
{
    const rapidxml::xml_attribute<char>* a = element->first_attribute(name);
    return a ? a->value() : nullptr;
}

// The same as a view, which also holds zero bytes that an entity put into the value.
inline bool attributeText(rapidxml::xml_node<char>* element, const char* name, std::string_view& text)
{
    const rapidxml::xml_attribute<char>* a = element->first_attribute(name);
    if (a)
        text = std::string_view(a->value(), a->value_size());
    return a != nullptr;
}
