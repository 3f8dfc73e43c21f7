// The socket library's exceptions: plain values thrown by value; a handler for CExc catches all.
// Texts are code page 932.
#pragma once

class CExc {
public:
    CExc(const char* message, const char* detail = "") : m_message(message), m_detail(detail) {}
    const char* GetMessage() const { return m_message; }
    const char* GetDetail() const { return m_detail; }

private:
    const char* m_message;
    const char* m_detail;
};

class CExcRuntime : public CExc {
public:
    using CExc::CExc;
};

class CExcResource : public CExcRuntime {
public:
    using CExcRuntime::CExcRuntime;
};

// "例外が発生しました"
extern const char kExcGeneralText[];
// "Windowsのリソース不足が発生しました"
extern const char kExcResourceText[];
