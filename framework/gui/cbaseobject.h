// Reference counting in VSTGUI's way: a new object starts with one reference,
// remember() adds one, forget() drops one and deletes the object at zero.
#pragma once

namespace VSTGUI
{

enum CMessageResult
{
    kMessageUnknown = 0,
    kMessageNotified = 1,
};

class CBaseObject
{
public:
    virtual ~CBaseObject() = default;

    void remember() { ++refCount; }
    void forget()
    {
        if (--refCount == 0)
            delete this;
    }
    int getNbReference() const { return refCount; }

    virtual CMessageResult notify(CBaseObject* /*sender*/, const char* /*message*/)
    {
        return kMessageUnknown;
    }

protected:
    CBaseObject() = default;
    // A copy is a new object with its own single reference.
    CBaseObject(const CBaseObject&) {}
    CBaseObject& operator=(const CBaseObject&) = delete;

private:
    int refCount = 1;
};

// Holds one reference to a CBaseObject for as long as it lives.
template <class T> class SharedPointer
{
public:
    SharedPointer() = default;
    // Adds a reference of its own.
    SharedPointer(T* object) : ptr(object)
    {
        if (ptr)
            ptr->remember();
    }
    // Takes over the reference the caller holds (typically of a new object).
    static SharedPointer adopt(T* object)
    {
        SharedPointer p;
        p.ptr = object;
        return p;
    }
    SharedPointer(const SharedPointer& other) : SharedPointer(other.ptr) {}
    SharedPointer(SharedPointer&& other) noexcept : ptr(other.ptr) { other.ptr = nullptr; }
    SharedPointer& operator=(SharedPointer other) noexcept
    {
        T* old = ptr;
        ptr = other.ptr;
        other.ptr = old;
        return *this;
    }
    ~SharedPointer()
    {
        if (ptr)
            ptr->forget();
    }

    T* get() const { return ptr; }
    T* operator->() const { return ptr; }
    T& operator*() const { return *ptr; }
    explicit operator bool() const { return ptr != nullptr; }

private:
    T* ptr = nullptr;
};

} // namespace VSTGUI
