#include "SupportCode/Util.h"

#include <cctype>

std::string trim(std::string& str)
{
    const char* blanks = " \t";
    const std::string::size_type first = str.find_first_not_of(blanks);
    if (first == std::string::npos)
        return std::string();
    const std::string::size_type last = str.find_last_not_of(blanks);
    return str.substr(first, last - first + 1);
}

std::string& lower(std::string& str)
{
    for (char& c : str)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return str;
}
