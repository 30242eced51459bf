#pragma once
// The text a front end shows for an error of a statement action.
//
// The one rule for error text: inside the program every error text (an exception's
// what(), the text of a message) is Windows-1250, the code page of the register and of
// the server's messages. Text of the system enters a message only through PathText and
// SystemText below, converted where it is put in; the text is decoded once, at the edge:
// the message box (zest::ui::ShowError) and each line on standard error.

#include <exception>
#include <string>
#include <string_view>

namespace zest
{

// The first line of the text for a lost connection.
inline constexpr const char* ConnectionLostText = "Po\xB3\xB9"
                                                  "czenie z baz\xB9 zosta\xB3o przerwane.";

// The first line for a register file that the embedded engine of another process holds.
inline constexpr const char* OpenedElsewhereText = "Rejestr jest otwarty w innym programie; zamknij go tam i spr\xF3"
                                                   "buj ponownie.";
// The first line when client and server do not agree on encrypting the wire.
inline constexpr const char* WireCryptRefusedText
    = "Program i serwer nie uzgodnili szyfrowania po\xB3\xB9"
      "czenia: jedna strona je wymaga, a druga nie szyfruje (ZESTAWIENIA_WIRE_CRYPT w programie, "
      "WireCrypt na serwerze).";

// A lost connection (server restart, network cut), a register open in another program
// and a wire encryption not agreed on are said so first, with the server's text below;
// any other error is its own message.
std::string ErrorText(const std::exception& error);

// What the connection box shows below its own line: for a failed connect whose reason the
// user can act on (the register open in another program, the wire encryption, a
// ZESTAWIENIA_WIRE_CRYPT that is no setting) its ErrorText; "" for any other.
std::string ConnectErrorDetail(const std::exception& error);

// A file name, as the file system keeps it (UTF-8), for an error text.
std::string PathText(std::string_view path);
// The system's message for an errno value (std::strerror, UTF-8 or ASCII), for an error
// text.
std::string SystemText(int error);

} // namespace zest
