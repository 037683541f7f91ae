// C++ classes that cross the flfileio boundary.
//
// The exception types are header-only on purpose: every module that catches
// them compiles the same inline definitions, and the C++ runtime matches them
// by name across DLLs. The stream classes are exported from the library: a
// caller creates a stream (a CMemoryFile over the clipboard block, a CBinFile
// on a file) and hands it to flf_write_prop or flf_read_prop.
#ifndef FLFILEIO_CLASSES_HPP
#define FLFILEIO_CLASSES_HPP

#include <cstdint>
#include <cstdio>
#include <string>

// Header-only classes keep default visibility natively, so a throw in the
// library and a catch in another module agree on the type.
#if defined(_WIN32)
#define FLF_SHARED_TYPE
#else
#define FLF_SHARED_TYPE __attribute__((visibility("default")))
#endif

// A database error: a code of the shared error vocabulary and a detail (a tag,
// a line number, a system error code), or -1 for none.
class FLF_SHARED_TYPE mexception {
public:
    enum Code {
        Internal = -2,
        ReadingFile = -1,
        None = 0,
        Generic = 1,
        Impossible = 2,
        BadPropertyPath = 3,
        MissedBrace = 4,
        UnexpectedCharacter = 5,
        BadBoolean = 6,
        BadSignature = 7,
        BadObjectTag = 8,
        BaseNotReadable = 9
    };

    explicit mexception(int code, int detail = -1) : code_(code), detail_(detail) {}
    virtual ~mexception() = default;

    int code() const { return code_; }
    int detail() const { return detail_; }

    static const char *code_text(int code)
    {
        switch (code) {
        case Internal: return "Internal";
        case ReadingFile: return "Reading file";
        case None: return "None";
        case Generic: return "Generic";
        case Impossible: return "This is impossible";
        case BadPropertyPath: return "Bad property path";
        case MissedBrace: return "Missed format character '}'";
        case UnexpectedCharacter: return "Unexpected character";
        case BadBoolean: return "Bad BOOLEAN constant";
        case BadSignature: return "Bad signature";
        case BadObjectTag: return "Bad object tag";
        case BaseNotReadable: return "Resource file not readable";
        default: return "Unknown error";
        }
    }

    // "<text>." without a detail, "<text>,\nLine: <detail>" with one.
    std::string message() const
    {
        char buffer[128];
        if (detail_ == -1)
            std::snprintf(buffer, sizeof buffer, "%s.", code_text(code_));
        else
            std::snprintf(buffer, sizeof buffer, "%s,\nLine: %d", code_text(code_), detail_);
        return buffer;
    }

private:
    int code_;
    int detail_;
};

// A stream error. Kinds: 1 read call failed, 2 write call failed or short,
// 3 short read or out of the stream's bounds, 4 string longer than 4095 bytes,
// 5 memory could not be allocated or locked.
class FLF_SHARED_TYPE file_exception {
public:
    enum Kind { ReadFailed = 1, WriteFailed = 2, OutOfBounds = 3, StringTooLong = 4, NoMemory = 5 };

    file_exception(int kind, int32_t system_error) : kind_(kind), system_error_(system_error) {}
    virtual ~file_exception() = default;

    int kind() const { return kind_; }
    int32_t system_error() const { return system_error_; }

    std::string message() const
    {
        static const char *const texts[] = {"Stream error",           "Cannot read file", "Cannot write file",
                                            "Unexpected end of data", "String too long",  "Out of memory"};
        const char *text = (kind_ >= 1 && kind_ <= 5) ? texts[kind_] : texts[0];
        char buffer[128];
        if (system_error_ != 0)
            std::snprintf(buffer, sizeof buffer, "%s (system error %ld).", text, (long)system_error_);
        else
            std::snprintf(buffer, sizeof buffer, "%s.", text);
        return buffer;
    }

private:
    int kind_;
    int32_t system_error_;
};

// A byte stream with the primitive encodings of the resource files: little
// endian 32-bit integers, single bytes, IEEE doubles and length-prefixed
// strings (length -1 means no string). Errors raise file_exception*.
class FLF_API CAbstrFile {
public:
    CAbstrFile();
    CAbstrFile(const CAbstrFile &) = delete;
    CAbstrFile &operator=(const CAbstrFile &) = delete;

    virtual void ReadBytes(void *buffer, int32_t n) = 0;
    virtual void WriteBytes(const void *buffer, int32_t n) = 0;
    virtual void Seek(int32_t position) = 0;
    virtual bool AtEnd() = 0;
    virtual ~CAbstrFile();
    // Bytes left from the current position, or -1 when the stream cannot tell.
    // Readers use it to refuse counts that the remaining bytes cannot hold.
    virtual int64_t Remaining();

    int32_t ReadInt();
    int32_t ReadByte(); // sign-extended
    int32_t ReadBool(); // one byte, sign-extended
    double ReadDouble();
    // The text lives in this stream's buffer until the next ReadString; none
    // for length -1. Lengths below -1 or above 4095 raise kind 4.
    const char *ReadString();
    // The same, with the length the stream gave (the text may hold zero bytes).
    const char *ReadString(int32_t &length);

    void WriteInt(int32_t value);
    void WriteByte(int32_t value); // the low 8 bits
    void WriteBool(int32_t value); // the low 8 bits
    void WriteDouble(double value);
    void WriteString(const char *text);                // none writes the length -1 alone
    void WriteString(const char *text, size_t length); // length bytes, zero bytes and all

protected:
    char text_[FLF_MAX_STRING + 1];
};

// A disk file, read or written front to back through a buffer of its own.
// Opening raises the system error code (flf_system_error) when the file
// cannot be opened: for reading it is shared with other readers; ForWriting
// creates or empties it; ForWritingNew creates it and fails when it exists.
// A written file must be finished with Flush(), which raises like any write
// (FlushToDisk() also waits until the system has the bytes on the disk); the
// destructor only closes.
class FLF_API CBinFile : public CAbstrFile {
public:
    enum Mode { ForReading, ForWriting, ForWritingNew };

    CBinFile(const char *file_name, Mode mode);
    ~CBinFile() override;

    void ReadBytes(void *buffer, int32_t n) override;
    void WriteBytes(const void *buffer, int32_t n) override;
    void Seek(int32_t position) override;
    bool AtEnd() override;

    int64_t Remaining() override;
    void Flush();
    void FlushToDisk();

private:
    void FillBuffer();
    void DropReadBuffer();

    intptr_t handle_;
    bool owns_;
    bool writing_;
    unsigned char *buffer_;
    int32_t buffer_pos_;
    int32_t buffer_len_;
    int64_t file_pos_; // where the platform's file pointer stands
    int64_t size_;     // size of a file opened for reading
};

// A stream over a block of memory: on Windows a movable global memory block
// (HGLOBAL, allocated with GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE), so
// it can travel on the clipboard; elsewhere a heap block.
class FLF_API CMemoryFile : public CAbstrFile {
public:
    // Empty and growable; capacity is also the growth step.
    CMemoryFile(int32_t capacity, bool owns_block);
    // Over an existing block of the given length: fixed size, not owned.
    // On Windows block is an HGLOBAL, elsewhere a pointer to the bytes.
    CMemoryFile(void *block, int32_t length);
    ~CMemoryFile() override;

    void ReadBytes(void *buffer, int32_t n) override;
    void WriteBytes(const void *buffer, int32_t n) override;
    void Seek(int32_t position) override;
    bool AtEnd() override;
    int64_t Remaining() override;

    void *Block() const { return block_; }
    const unsigned char *Data() const { return data_; }
    int32_t Length() const { return length_; }
    int32_t Position() const { return position_; }

private:
    void Grow(int32_t needed);

    void *block_;
    unsigned char *data_;
    int32_t position_;
    int32_t length_;
    int32_t capacity_;
    int32_t step_;
    bool growable_;
    bool owns_;
};

#endif // FLFILEIO_CLASSES_HPP
