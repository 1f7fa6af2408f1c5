' Visual Basic 6 declarations for dibdraw32.dll, matching
' include/dibdraw32/dibdraw32.h. VB6 calls every Declare with stdcall, which
' is what the 32-bit DLL exports. Handles, size_t and the library's strings
' are Long (VB6 is 32-bit only); C's short is Integer.
Option Explicit

Public Const DIBDRAW_OK As Integer = 0
Public Const DIBDRAW_NO_MEMORY As Integer = -1007
Public Const DIBDRAW_UNSUPPORTED As Integer = -1032

Public Type RECT
    Left As Long
    Top As Long
    Right As Long
    Bottom As Long
End Type

Public Type RGBQUAD
    rgbBlue As Byte
    rgbGreen As Byte
    rgbRed As Byte
    rgbReserved As Byte
End Type

' Set size to LenB(info) before DibdrawLastBlit. converter points at the
' library's own text: read it with DibdrawString, never as a String field,
' which VB6 would try to free.
Public Type DibdrawBlitInfo
    size As Long
    result As Integer
    displayDepth As Long
    converter As Long
    source As RECT
    bands As Long
    rop As Long
    paletteMode As Long
End Type

' src, dst and result are As Any so that ByVal 0& can pass the null that
' means "the whole bitmap", "the source's size" or "don't report".
Public Declare Function DibdrawCreate Lib "dibdraw32.dll" (ByVal ditherMode As Long, _
    ByVal paletteMode As Long, result As Any) As Long
Public Declare Sub DibdrawDestroy Lib "dibdraw32.dll" (ByVal blitter As Long)
Public Declare Function DibdrawReInit Lib "dibdraw32.dll" (ByVal blitter As Long, _
    ByVal ditherMode As Long, ByVal paletteMode As Long) As Integer
Public Declare Function DibdrawBlitDC Lib "dibdraw32.dll" (ByVal blitter As Long, _
    ByVal hDC As Long, dib As Any, ByVal dibBytes As Long, src As Any, dst As Any) As Integer
Public Declare Function DibdrawBlitWindow Lib "dibdraw32.dll" (ByVal blitter As Long, _
    ByVal hWnd As Long, dib As Any, ByVal dibBytes As Long, src As Any, dst As Any) As Integer
Public Declare Function DibdrawRealizeFixedPalette Lib "dibdraw32.dll" (ByVal blitter As Long, _
    ByVal hWnd As Long) As Integer
Public Declare Function DibdrawRealizeDibPalette Lib "dibdraw32.dll" (ByVal blitter As Long, _
    ByVal hWnd As Long, dib As Any, ByVal dibBytes As Long) As Integer
Public Declare Function DibdrawRealizeColors Lib "dibdraw32.dll" (ByVal blitter As Long, _
    ByVal hWnd As Long, colors As RGBQUAD, ByVal count As Long) As Integer
Public Declare Function DibdrawResultText Lib "dibdraw32.dll" (ByVal result As Integer) As Long
Public Declare Sub DibdrawVersion Lib "dibdraw32.dll" (major As Long, minor As Long, patch As Long)
Public Declare Function DibdrawLastBlit Lib "dibdraw32.dll" (ByVal blitter As Long, _
    info As DibdrawBlitInfo) As Integer

Private Declare Function lstrlenA Lib "kernel32" (ByVal text As Long) As Long
Private Declare Sub CopyMemory Lib "kernel32" Alias "RtlMoveMemory" (destination As Any, _
    ByVal source As Long, ByVal length As Long)

' Copies one of the library's texts (DibdrawResultText, a converter name)
' into a VB string; the library keeps its own.
Public Function DibdrawString(ByVal text As Long) As String
    Dim bytes() As Byte
    Dim length As Long
    If text = 0 Then Exit Function
    length = lstrlenA(text)
    If length = 0 Then Exit Function
    ReDim bytes(length - 1)
    CopyMemory bytes(0), text, length
    DibdrawString = StrConv(bytes, vbUnicode)
End Function
