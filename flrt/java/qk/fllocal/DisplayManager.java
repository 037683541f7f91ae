package qk.fllocal;

/**
 * Shows forms of form resource files for Java objects, through the native
 * form display runtime cflrt.
 *
 * Call {@link #init} once, then {@link #display} for an object and the class
 * name and number of its form. Unless a resource file was added, the first
 * display adds the file named after the class ("ClassName.flf"). A handler
 * routine of the form calls {@link #accept} or {@link #cancel} to close it.
 */
public final class DisplayManager {
    static {
        System.loadLibrary("cflrt");
    }

    /** The object of the form whose handler routine runs now. */
    public static Object curObject;

    private DisplayManager() {
    }

    /** Hands the calling thread's JNI environment to the runtime. */
    public static native void init();

    /**
     * Shows form number formNumber of class className for object; answers
     * true when a modal form was closed with acceptance.
     */
    public static native boolean display(Object object, String className, int formNumber);

    /** Closes the form that edits object, writing its values back. */
    public static native void accept(Object object);

    /** Closes the form that edits object without writing anything back. */
    public static native void cancel(Object object);

    /** Adds a resource file; forms are looked up newest file first. */
    public static native void addResourceFile(String fileName);

    /** Removes a resource file and closes its database. */
    public static native void removeResourceFile(String fileName);
}
