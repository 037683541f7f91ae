package flrt.test;

/** The runtime's object access, driven from the tests (probe.cpp). */
final class Probe {
    static {
        System.loadLibrary("flrt_probe");
    }

    private Probe() {
    }

    /** The first element of the path under sign in form of className in the compiled file. */
    static native long path(String file, String className, int form, int sign);

    static native Object value(Object obj, long path);
    /** The whole 8-byte value a reading path yields. */
    static native long bits(Object obj, long path);
    static native Object argument(Object obj, long path);
    static native int getInt(Object obj, long path);
    static native boolean getBool(Object obj, long path);
    static native char getChar(Object obj, long path);
    static native double getDouble(Object obj, long path);
    static native String getString(Object obj, long path);
    static native String text(Object obj, long path, String code);

    static native void setInt(Object obj, long path, int value);
    static native void setBool(Object obj, long path, boolean value);
    static native void setDouble(Object obj, long path, double value);
    static native void setString(Object obj, long path, String value);
    static native void setObject(Object obj, long path, Object value);
    static native void setBits(Object obj, long path, long bits);
    static native void call(Object obj, long path);
    static native void setCurrent(Object obj);

    /** The oldest report (assertion or unhandled exception) not yet taken, or null. */
    static native String nextReport();

    static native long readOften(Object obj, long path, int times);
    static native boolean same(Object a, Object b);
    static native String[] items(Object holder, long path);
    static native String[] intItems(Object holder, long path);
    static native int lowerBound(Object array);
    static native String[] rows(Object holder, long path, long column);
    static native String[] tree(Object holder, long path, boolean expand);
}
