#pragma once
// The picture's Base64 text in a request document.

#include <string>
#include <string_view>

// The text of the document's "image_base64_str" member. A picture is most of
// a request (half a megabyte and more), so it is not parsed as JSON when it
// holds no escapes but its line breaks' \r\n: only the rest of the document
// is parsed, which checks it as a whole, and the text is taken as it stands
// (or, with line breaks, without them, in `storage`). Otherwise the whole
// document is parsed and the text kept in `storage`. False with `errors` when `request` is no JSON object
// with that member as a string.
bool RequestPicture(const std::string& request, std::string_view& base64, std::string& storage, std::string& errors);
