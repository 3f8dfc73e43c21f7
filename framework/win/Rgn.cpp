#include "framework/win/Rgn.h"

BOOL CRgn::CreateRectRgn(int left, int top, int right, int bottom)
{
    return Attach(::CreateRectRgn(left, top, right, bottom));
}

BOOL CRgn::CreateEllipticRgn(int left, int top, int right, int bottom)
{
    return Attach(::CreateEllipticRgn(left, top, right, bottom));
}

BOOL CRgn::CreatePolygonRgn(const POINT* points, int count, int fillMode)
{
    if (!points || count < 3)
        return FALSE;
    return Attach(::CreatePolygonRgn(points, count, fillMode));
}

int CRgn::CombineRgn(HRGN first, HRGN second, int mode)
{
    if (!m_hObject && !CreateRectRgn(0, 0, 0, 0))
        return ERROR;
    return ::CombineRgn(*this, first, second, mode);
}

HRGN CRgn::Duplicate() const
{
    if (!m_hObject)
        return nullptr;
    HRGN copy = ::CreateRectRgn(0, 0, 0, 0);
    if (copy && ::CombineRgn(copy, *this, nullptr, RGN_COPY) == ERROR) {
        ::DeleteObject(copy);
        return nullptr;
    }
    return copy;
}
