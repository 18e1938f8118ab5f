// Texts of a run written into JSON for the web page.
#ifndef APP_JSON_TEXT_H_
#define APP_JSON_TEXT_H_

#include <string>
#include <string_view>

// `bytes` as a JSON string, quotes included: '"' and '\' escaped, bytes
// below 0x20 as \u00XX, every other byte as it is (the reader decodes the
// whole text in the encoding of the run's other texts).
std::string jsonString(std::string_view bytes);

#endif  // APP_JSON_TEXT_H_
