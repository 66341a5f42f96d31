#pragma once
// A reader for the program's text files with the rules of the classic Pascal
// text file: lines end at LF, CR LF or a lone CR; Ctrl-Z (0x1A) ends the file;
// numbers are tokens separated by characters of code 32 or less (line ends
// included); a number asked for at the end of the file reads as 0.
// A token must be a plain decimal integer, or a finite decimal real when a
// real is asked for; anything else ("nan", "inf", hex, "1,5", "1.5abc", a
// value beyond the double range) fails the read.
#include <cstdint>
#include <string_view>

namespace quelvar {

class TextReader {
public:
    // `text` must outlive the reader; reading stops at its first Ctrl-Z.
    explicit TextReader(std::string_view text);

    // True at the end of the text (or at a Ctrl-Z).
    bool atEnd() const;

    // The rest of the current line without its line end; moves to the next line.
    std::string_view readLine();

    // Discards the rest of the current line and its line end.
    void skipLine();

    // Skip blanks and line ends, then read one token. Return false when the
    // token is not a number of the asked kind; at the end of the text the
    // value is 0 and the result true. Integers must fit in 32 bits.
    bool readInteger(std::int32_t& value);
    bool readReal(double& value);

    // The line (from 1) the reader stands in: after a failed read, the line
    // of the token that failed.
    int lineNumber() const;

private:
    // Skips separators and returns the next token ("" at the end of the text).
    std::string_view nextToken();

    std::string_view text_;
    std::size_t pos_ = 0;
};

}  // namespace quelvar
