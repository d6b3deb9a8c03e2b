#ifndef ZAMCORE_EXPRESSIONS_EXP_H
#define ZAMCORE_EXPRESSIONS_EXP_H

#include <cstdint>
#include <vector>

class ZAMSelOptionSet;

// A statement of a rule text. Statements are plain heap objects with one
// owner each (the root, a list or an enclosing statement) and are deleted
// with it. They run only through execute(), which stamps the statement's line
// on an exception leaving it that has none yet, so the line a host sees is
// that of the innermost statement with a known line.
class ZAMExp {
public:
    explicit ZAMExp(int line) : line_(line) {}
    ZAMExp(const ZAMExp&) = delete;
    ZAMExp& operator=(const ZAMExp&) = delete;
    virtual ~ZAMExp();

    virtual void execute(ZAMSelOptionSet& set);
    // The line of the rule text the statement was read on; 0 for none.
    virtual int line() const { return line_; }

protected:
    virtual void doExecute(ZAMSelOptionSet& set) = 0;

private:
    std::int32_t line_;
};

// A sequence of statements, run first to last. An exception ends the list:
// what ran before it stays done. The parser makes a list only for at least
// one statement; an empty sequence is a null pointer.
class ZAMExpListExp final : public ZAMExp {
public:
    ZAMExpListExp() : ZAMExp(0) {}
    ~ZAMExpListExp() override;

    // Takes ownership of `statement`.
    void add(ZAMExp* statement);

protected:
    void doExecute(ZAMSelOptionSet& set) override;

private:
    std::vector<ZAMExp*> statements_;  // owned
};

#endif
