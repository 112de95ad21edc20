#include "tools/UrlMemo.h"

#include <array>

namespace {

constexpr char kCtrlZ = '\x1A';

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool IsControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != prefix[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

void UrlMemoScanner::Feed(std::string_view bytes) {
    for (const char c : bytes) {
        if (m_bEnded) {
            return;
        }
        if (m_bPendingCarriageReturn) {
            m_bPendingCarriageReturn = false;
            if (c == '\n') {
                Take('\n');
                continue;
            }
            Take('\r');
        }
        if (c == '\r') {
            // Only a "\r\n" pair is a line break; a carriage return on its own is text.
            m_bPendingCarriageReturn = true;
        } else if (c == kCtrlZ) {
            m_bEnded = true;
        } else {
            Take(c);
        }
    }
}

void UrlMemoScanner::Finish() {
    if (m_bPendingCarriageReturn && !m_bEnded) {
        Take('\r');
    }
    m_bPendingCarriageReturn = false;
    m_bEnded = true;
    EndPiece();
}

void UrlMemoScanner::Take(char c) {
    if (c == '\n') {
        EndPiece();
        return;
    }
    m_piece.push_back(c);
    if (m_piece.size() == kMemoPieceBytes) {
        EndPiece();
    }
}

void UrlMemoScanner::EndPiece() {
    if (!m_piece.empty()) {
        // The two buffers change places: the old candidate's room takes the next piece.
        if (!m_candidate) {
            m_candidate.emplace();
        }
        m_candidate->swap(m_piece);
        m_piece.clear();
    }
}

std::optional<std::string> WebAddressFrom(std::string_view candidate) {
    while (!candidate.empty() && IsBlank(candidate.front())) {
        candidate.remove_prefix(1);
    }
    while (!candidate.empty() && IsBlank(candidate.back())) {
        candidate.remove_suffix(1);
    }
    constexpr std::array<std::string_view, 3> kSchemes = {"http://", "https://", "ftp://"};
    bool web = false;
    for (const std::string_view scheme : kSchemes) {
        web = web || StartsWithIgnoringCase(candidate, scheme);
    }
    if (!web) {
        return std::nullopt;
    }
    for (const char c : candidate) {
        // A blank or a quotation mark would end the argument and let the rest of the
        // line through as arguments of their own.
        if (IsBlank(c) || c == '"' || IsControl(c)) {
            return std::nullopt;
        }
    }
    return std::string(candidate);
}
