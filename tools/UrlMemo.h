#pragma once
// The URL memo: a small text file kept beside the pictures whose last non-empty line
// names a web page. Memo files come from elsewhere with the pictures, so what the
// viewer starts from one is checked before it goes on a command line. Portable: the
// caller reads the file and hands its bytes over in pieces of any size.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// A line is taken in pieces of at most this many bytes; a longer line counts as
// several lines, of which only the last piece can be the candidate.
constexpr size_t kMemoPieceBytes = 4094;

// Reads a memo as text-mode reading on Windows delivers it ("\r\n" is one line break,
// a Ctrl-Z byte ends the text) and keeps its last line that still holds something
// once the line break is removed. Memory stays bounded however long the file is.
class UrlMemoScanner {
public:
    // The next bytes of the file, in order.
    void Feed(std::string_view bytes);
    // The file has ended: the last line counts with or without a line break.
    void Finish();
    // The last candidate line so far; complete once Finish has run.
    const std::optional<std::string>& Candidate() const { return m_candidate; }

private:
    void Take(char c);
    void EndPiece();

    std::string m_piece;
    std::optional<std::string> m_candidate;
    bool m_bPendingCarriageReturn = false;
    bool m_bEnded = false;
};

// The address a candidate line names, without the blanks at its ends, when it is a web
// address: it begins with "http://", "https://" or "ftp://" (any letter case) and holds
// no blank, no quotation mark and no control character. Anything else (a local file, a
// network share, a program with arguments) gives nothing.
std::optional<std::string> WebAddressFrom(std::string_view candidate);
