#pragma once

#include <QString>

// The maker's web page and contact mail address, opened by the help menu and the link on the main
// window.
namespace Contact {

inline QString webAddress() {
    return QStringLiteral("https://quillmar.example.org/");
}
inline QString webAddressShown() {
    return QStringLiteral("quillmar.example.org");
}
inline QString mailAddress() {
    return QStringLiteral("author@quillmar.example.org");
}

} // namespace Contact
