// Owners of Win32 resources that release them on every way out of a scope:
// a registry key, a kernel handle, a GDI object and its selection into a
// device context, a COM interface pointer. None can be copied.
#pragma once
#include <windows.h>

class ScopedRegKey {
public:
    ScopedRegKey() = default;
    ~ScopedRegKey() {
        if (m_key != nullptr) RegCloseKey(m_key);
    }
    ScopedRegKey(const ScopedRegKey&) = delete;
    ScopedRegKey& operator=(const ScopedRegKey&) = delete;

    HKEY* Receive() { return &m_key; }  // for RegOpenKeyEx/RegCreateKeyEx, on an empty owner only
    HKEY Get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

class ScopedHandle {
public:
    explicit ScopedHandle(HANDLE handle = nullptr) : m_handle(handle) {}
    ~ScopedHandle() {
        if (Valid()) CloseHandle(m_handle);
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;

    HANDLE* Receive() { return &m_handle; }
    HANDLE Get() const { return m_handle; }
    bool Valid() const { return m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_handle;
};

class ScopedGdiObject {
public:
    explicit ScopedGdiObject(HGDIOBJ object) : m_object(object) {}
    ~ScopedGdiObject() {
        if (m_object != nullptr) DeleteObject(m_object);
    }
    ScopedGdiObject(const ScopedGdiObject&) = delete;
    ScopedGdiObject& operator=(const ScopedGdiObject&) = delete;

    HGDIOBJ Get() const { return m_object; }

private:
    HGDIOBJ m_object;
};

// Selects an object into a device context and selects the previous one back;
// declare it after the ScopedGdiObject it selects, so that the object is
// deselected before it is deleted.
class ScopedSelection {
public:
    ScopedSelection(HDC hdc, HGDIOBJ object) : m_hdc(hdc), m_previous(SelectObject(hdc, object)) {}
    ~ScopedSelection() { SelectObject(m_hdc, m_previous); }
    ScopedSelection(const ScopedSelection&) = delete;
    ScopedSelection& operator=(const ScopedSelection&) = delete;

private:
    HDC m_hdc;
    HGDIOBJ m_previous;
};

template <class Interface>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() {
        if (m_pointer != nullptr) m_pointer->Release();
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    void** Receive() { return reinterpret_cast<void**>(&m_pointer); }  // for CoCreateInstance/QueryInterface
    Interface* operator->() const { return m_pointer; }
    Interface* Get() const { return m_pointer; }

private:
    Interface* m_pointer = nullptr;
};
