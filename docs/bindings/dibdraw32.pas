{ Delphi and Free Pascal declarations for dibdraw32.dll, matching
  include/dibdraw32/dibdraw32.h. Every function is stdcall, which is what the
  32-bit DLL exports; the 64-bit DLL has one convention, so stdcall is
  harmless there. }
unit Dibdraw32;

{ DibdrawBlitInfo has a SmallInt followed by an Integer: the record needs C's
  natural alignment whatever the including project sets. }
{$IFDEF FPC}
  {$MODE DELPHI}
  {$PACKRECORDS C}
{$ELSE}
  {$ALIGN ON}
{$ENDIF}

interface

uses
  Windows;

const
  DibdrawLib = 'dibdraw32.dll';

  DIBDRAW_OK = 0;
  DIBDRAW_NO_MEMORY = -1007;
  DIBDRAW_UNSUPPORTED = -1032;

type
  { Made by DibdrawCreate and only ever handed back to the library. }
  PDibdrawBlitter = type Pointer;

  { Set Size to SizeOf(TDibdrawBlitInfo) before DibdrawLastBlit. }
  TDibdrawBlitInfo = record
    Size: Cardinal;
    Result: SmallInt;
    DisplayDepth: Integer;
    Converter: PAnsiChar;
    Source: TRect;
    Bands: Cardinal;
    Rop: DWORD;
    PaletteMode: Integer;
  end;
  PDibdrawBlitInfo = ^TDibdrawBlitInfo;

{ The pointer parameters take nil where the header allows null: no result
  wanted, the whole bitmap, the clipped source's size, a version number not wanted. }
function DibdrawCreate(ditherMode, paletteMode: Integer; resultCode: PSmallInt): PDibdrawBlitter;
  stdcall; external DibdrawLib;
procedure DibdrawDestroy(blitter: PDibdrawBlitter);
  stdcall; external DibdrawLib;
function DibdrawReInit(blitter: PDibdrawBlitter; ditherMode, paletteMode: Integer): SmallInt;
  stdcall; external DibdrawLib;
function DibdrawBlitDC(blitter: PDibdrawBlitter; dc: HDC; dib: PBitmapInfoHeader; dibBytes: NativeUInt;
  src, dst: PRect): SmallInt;
  stdcall; external DibdrawLib;
function DibdrawBlitWindow(blitter: PDibdrawBlitter; window: HWND; dib: PBitmapInfoHeader;
  dibBytes: NativeUInt; src, dst: PRect): SmallInt;
  stdcall; external DibdrawLib;
function DibdrawRealizeFixedPalette(blitter: PDibdrawBlitter; window: HWND): SmallInt;
  stdcall; external DibdrawLib;
function DibdrawRealizeDibPalette(blitter: PDibdrawBlitter; window: HWND; dib: PBitmapInfoHeader;
  dibBytes: NativeUInt): SmallInt;
  stdcall; external DibdrawLib;
function DibdrawRealizeColors(blitter: PDibdrawBlitter; window: HWND; colors: PRGBQuad;
  count: Integer): SmallInt;
  stdcall; external DibdrawLib;
function DibdrawResultText(resultCode: SmallInt): PAnsiChar;
  stdcall; external DibdrawLib;
procedure DibdrawVersion(major, minor, patch: PInteger);
  stdcall; external DibdrawLib;
function DibdrawLastBlit(blitter: PDibdrawBlitter; var info: TDibdrawBlitInfo): SmallInt;
  stdcall; external DibdrawLib;

implementation

end.
