#include "regex/RegexProgram.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

namespace kesto {
namespace {

// PCRE2's own default, set here so that it does not depend on how the library was built:
// about a second of backtracking in the interpreter, less with JIT.
constexpr std::uint32_t kMatchLimit = 10'000'000;
constexpr std::size_t kJitStackStart = std::size_t{32} * 1024;
constexpr std::size_t kJitStackMost = std::size_t{8} * 1024 * 1024;

std::uint32_t NewlineOf(RegexProgram::Newline newline) {
    switch (newline) {
    case RegexProgram::Newline::CrLf:
        return PCRE2_NEWLINE_CRLF;
    case RegexProgram::Newline::Cr:
        return PCRE2_NEWLINE_CR;
    case RegexProgram::Newline::Lf:
        break;
    }
    return PCRE2_NEWLINE_LF;
}

std::string ErrorMessage(int code) {
    PCRE2_UCHAR buffer[256];
    const int length = pcre2_get_error_message(code, buffer, sizeof buffer);
    if (length < 0) return "error " + std::to_string(code);
    return std::string(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(length));
}

}  // namespace

struct RegexProgram::Engine {
    pcre2_code* code = nullptr;
    pcre2_match_data* data = nullptr;
    pcre2_match_context* context = nullptr;
    pcre2_jit_stack* stack = nullptr;
    bool jit = false;
    int captures = 0;
    int matched = 0;  // what the last match returned: the highest group set, plus one

    ~Engine() {
        pcre2_jit_stack_free(stack);
        pcre2_match_context_free(context);
        pcre2_match_data_free(data);
        pcre2_code_free(code);
    }
};

RegexProgram::RegexProgram(std::unique_ptr<Engine> engine) : m_engine(std::move(engine)) {
}

RegexProgram::~RegexProgram() = default;

std::unique_ptr<RegexProgram> RegexProgram::Compile(std::string_view pattern,
                                                    const Switches& switches, RegexError& error) {
    pcre2_compile_context* compileContext = pcre2_compile_context_create(nullptr);
    if (!compileContext) {
        error = {"out of memory", 0};
        return nullptr;
    }
    pcre2_set_newline(compileContext, NewlineOf(switches.newline));
    if (switches.wholeWord) {
        pcre2_set_compile_extra_options(compileContext, PCRE2_EXTRA_MATCH_WORD);
    }
    // Bytes, not characters, unless Unicode is asked for: a (*UTF) in the pattern would make
    // every file that is not valid UTF-8 an error. A subject that is not valid UTF-8 (a line
    // edited in the confirm dialog) never makes a UTF program fail: its bad bytes match
    // nothing.
    std::uint32_t options =
        switches.unicode ? PCRE2_UTF | PCRE2_UCP | PCRE2_MATCH_INVALID_UTF : PCRE2_NEVER_UTF;
    if (switches.caseless) options |= PCRE2_CASELESS;
    if (switches.multiline) options |= PCRE2_MULTILINE;
    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    auto engine = std::make_unique<Engine>();
    engine->code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                 options, &errorCode, &errorOffset, compileContext);
    pcre2_compile_context_free(compileContext);
    if (!engine->code) {
        error = {ErrorMessage(errorCode), static_cast<std::size_t>(errorOffset)};
        return nullptr;
    }
    engine->jit = pcre2_jit_compile(engine->code, PCRE2_JIT_COMPLETE) == 0;
    engine->data = pcre2_match_data_create_from_pattern(engine->code, nullptr);
    engine->context = pcre2_match_context_create(nullptr);
    if (!engine->data || !engine->context) {
        error = {"out of memory", 0};
        return nullptr;
    }
    pcre2_set_match_limit(engine->context, kMatchLimit);
    if (engine->jit) {
        engine->stack = pcre2_jit_stack_create(kJitStackStart, kJitStackMost, nullptr);
        if (engine->stack) pcre2_jit_stack_assign(engine->context, nullptr, engine->stack);
    }
    std::uint32_t captures = 0;
    pcre2_pattern_info(engine->code, PCRE2_INFO_CAPTURECOUNT, &captures);
    engine->captures = static_cast<int>(captures);
    return std::unique_ptr<RegexProgram>(new RegexProgram(std::move(engine)));
}

RegexProgram::Outcome RegexProgram::Find(std::string_view subject, std::size_t from,
                                         bool nonEmptyAtFrom, RegexSpan& match) {
    static const char kNothing = '\0';
    const char* bytes = subject.data() ? subject.data() : &kNothing;
    const std::uint32_t options = nonEmptyAtFrom ? PCRE2_NOTEMPTY_ATSTART | PCRE2_ANCHORED : 0;
    Engine& engine = *m_engine;
    engine.matched = 0;
    const int result = pcre2_match(engine.code, reinterpret_cast<PCRE2_SPTR>(bytes), subject.size(),
                                   from, options, engine.data, engine.context);
    if (result == PCRE2_ERROR_NOMATCH) return Outcome::NoMatch;
    // The limits, a JIT stack too small, no memory: the pattern cannot be decided here.
    if (result <= 0) return Outcome::TooComplex;
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(engine.data);
    // \K can set the start past the end only inside a lookaround, which PCRE2 refuses by
    // default; guarded all the same, as an empty match at the end.
    match = {std::min(ovector[0], ovector[1]), ovector[1]};
    engine.matched = result;
    return Outcome::Match;
}

bool RegexProgram::Group(int number, RegexSpan& span) const {
    const Engine& engine = *m_engine;
    if (number < 0 || number >= engine.matched) return false;
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(engine.data);
    const auto pair = 2 * static_cast<std::size_t>(number);
    const PCRE2_SIZE start = ovector[pair];
    const PCRE2_SIZE end = ovector[pair + 1];
    if (start == PCRE2_UNSET || end < start) return false;
    span = {start, end};
    return true;
}

int RegexProgram::captureCount() const {
    return m_engine->captures;
}

int RegexProgram::GroupNumber(std::string_view name) const {
    const std::string terminated(name);
    const int number = pcre2_substring_number_from_name(
        m_engine->code, reinterpret_cast<PCRE2_SPTR>(terminated.c_str()));
    return number > 0 ? number : -1;
}

bool RegexProgram::jitCompiled() const {
    return m_engine->jit;
}

}  // namespace kesto
