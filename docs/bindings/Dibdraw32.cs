// .NET P/Invoke declarations for dibdraw32, matching
// include/dibdraw32/dibdraw32.h. StdCall is what the 32-bit DLL exports; on
// 64-bit Windows and on Linux (libdibdraw32.so) the runtime ignores it.
using System;
using System.Runtime.InteropServices;

namespace Dibdraw32
{
    [StructLayout(LayoutKind.Sequential)]
    public struct RECT
    {
        public int Left;
        public int Top;
        public int Right;
        public int Bottom;
    }

    [StructLayout(LayoutKind.Sequential)]
    public struct RGBQUAD
    {
        public byte rgbBlue;
        public byte rgbGreen;
        public byte rgbRed;
        public byte rgbReserved;
    }

    // Set Size to Marshal.SizeOf<DibdrawBlitInfo>() before DibdrawLastBlit.
    // The converter name stays an IntPtr: as a string field the marshaller
    // would free the library's own text.
    [StructLayout(LayoutKind.Sequential)]
    public struct DibdrawBlitInfo
    {
        public uint Size;
        public short Result;
        public int DisplayDepth;
        public IntPtr Converter;
        public RECT Source;
        public uint Bands;
        public uint Rop;
        public int PaletteMode;

        public string ConverterName => Marshal.PtrToStringAnsi(Converter);
    }

    public static class NativeMethods
    {
        public const short DIBDRAW_OK = 0;
        public const short DIBDRAW_NO_MEMORY = -1007;
        public const short DIBDRAW_UNSUPPORTED = -1032;

        private const string Lib = "dibdraw32";

        // `result` may be IntPtr.Zero through the second overload.
        [DllImport(Lib, CallingConvention = CallingConvention.StdCall)]
        public static extern IntPtr DibdrawCreate(int ditherMode, int paletteMode, out short result);

        [DllImport(Lib, CallingConvention = CallingConvention.StdCall)]
        public static extern IntPtr DibdrawCreate(int ditherMode, int paletteMode, IntPtr result);

        [DllImport(Lib, CallingConvention = CallingConvention.StdCall)]
        public static extern void DibdrawDestroy(IntPtr blitter);

        [DllImport(Lib, CallingConvention = CallingConvention.StdCall)]
        public static extern short DibdrawReInit(IntPtr blitter, int ditherMode, int paletteMode);

        // A `ref` cannot be null, so the IntPtr overloads take IntPtr.Zero for
        // the whole bitmap at its clipped size; `src` comes back clipped.
        [DllImport(Lib, CallingConvention = CallingConvention.StdCall)]
        public static extern short DibdrawBlitDC(IntPtr blitter, IntPtr dc, byte[] dib, UIntPtr dibBytes,
                                                 ref RECT src, ref RECT dst);

        [DllImport(Lib, CallingConvention = CallingConvention.StdCall)]
        public static extern short DibdrawBlitDC(IntPtr blitter, IntPtr dc, byte[] dib, UIntPtr dibBytes,
                                                 IntPtr src, IntPtr dst);

        [DllImport(Lib, CallingConvention = CallingConvention.StdCall)]
        public static extern short DibdrawBlitWindow(IntPtr blitter, IntPtr window, byte[] dib, UIntPtr dibBytes,
                                                     ref RECT src, ref RECT dst);

        [DllImport(Lib, CallingConvention = CallingConvention.StdCall)]
        public static extern short DibdrawBlitWindow(IntPtr blitter, IntPtr window, byte[] dib, UIntPtr dibBytes,
                                                     IntPtr src, IntPtr dst);

        [DllImport(Lib, CallingConvention = CallingConvention.StdCall)]
        public static extern short DibdrawRealizeFixedPalette(IntPtr blitter, IntPtr window);

        [DllImport(Lib, CallingConvention = CallingConvention.StdCall)]
        public static extern short DibdrawRealizeDibPalette(IntPtr blitter, IntPtr window, byte[] dib,
                                                            UIntPtr dibBytes);

        [DllImport(Lib, CallingConvention = CallingConvention.StdCall)]
        public static extern short DibdrawRealizeColors(IntPtr blitter, IntPtr window, [In] RGBQUAD[] colors,
                                                        int count);

        // The text is the library's: returned as a string, the marshaller
        // would free it. ResultText copies it instead.
        [DllImport(Lib, CallingConvention = CallingConvention.StdCall)]
        public static extern IntPtr DibdrawResultText(short result);

        [DllImport(Lib, CallingConvention = CallingConvention.StdCall)]
        public static extern void DibdrawVersion(out int major, out int minor, out int patch);

        [DllImport(Lib, CallingConvention = CallingConvention.StdCall)]
        public static extern short DibdrawLastBlit(IntPtr blitter, ref DibdrawBlitInfo info);

        public static string ResultText(short result) => Marshal.PtrToStringAnsi(DibdrawResultText(result));
    }
}
