// Exceptions of the runtime: thrown as pointers to heap objects; the catcher deletes them.
#ifndef CFLRT_CLASSES_HPP
#define CFLRT_CLASSES_HPP

#include <string>
#include "cflrt.h"

class FLRT_API CFLException {
public:
    virtual ~CFLException();
    // Shows the exception to the user.
    virtual void Report() = 0;
};

// A routine call through the object table failed, or a procedure path met a void object.
class FLRT_API CRoutineCallException : public CFLException {
public:
    CRoutineCallException(const char *first, const char *second);
    void Report() override;
    const std::string &First() const { return first_; }
    const std::string &Second() const { return second_; }

private:
    std::string first_;
    std::string second_;
};

#endif
