package flrt.test;

import java.lang.reflect.Method;
import java.lang.reflect.Modifier;
import java.util.ArrayList;
import java.util.List;
import java.util.Objects;

/**
 * A small test runner: every public static method of a test class whose name
 * starts with "test" runs once; a failure is printed and makes the exit code 1.
 */
class Check {
    static final String FORMS = System.getProperty("flrt.forms", "flrt_java_paths.flf");
    static final String PERSON = "flrt/test/Person";

    /** The path under sign in form 1 of flrt/test/Person. */
    static long path(int sign) {
        long path = Probe.path(FORMS, PERSON, 1, sign);
        if (path == 0)
            throw new AssertionError("no path under sign " + sign + " in " + FORMS);
        return path;
    }

    static void equal(Object expected, Object actual) {
        if (!Objects.equals(expected, actual))
            throw new AssertionError("expected <" + expected + "> but was <" + actual + ">");
    }

    static void that(boolean condition, String what) {
        if (!condition)
            throw new AssertionError(what);
    }

    /** The reports since the last call, in order. */
    static List<String> reports() {
        List<String> reports = new ArrayList<>();
        for (String report = Probe.nextReport(); report != null; report = Probe.nextReport())
            reports.add(report);
        return reports;
    }

    static void noReports() {
        equal(List.of(), reports());
    }

    /** Exactly one report, which starts with the text. */
    static void reported(String start) {
        reported(1, start);
    }

    /** Exactly count reports, each starting with the text. */
    static void reported(int count, String start) {
        List<String> reports = reports();
        that(reports.size() == count && reports.stream().allMatch(report -> report.startsWith(start)),
             "expected " + count + " reports starting with \"" + start + "\" but got " + reports);
    }

    static void run(Class<?> tests) {
        qk.fllocal.DisplayManager.init();
        int failed = 0;
        int run = 0;
        for (Method method : tests.getDeclaredMethods()) {
            if (!method.getName().startsWith("test") || !Modifier.isStatic(method.getModifiers()))
                continue;
            ++run;
            try {
                reports();
                method.invoke(null);
                noReports();
            } catch (Throwable thrown) {
                Throwable cause = thrown.getCause() != null ? thrown.getCause() : thrown;
                System.out.println("FAILED " + tests.getSimpleName() + "." + method.getName() + ": " + cause);
                cause.printStackTrace(System.out);
                ++failed;
            }
        }
        System.out.println(tests.getSimpleName() + ": " + (run - failed) + " of " + run + " passed");
        System.exit(failed == 0 && run > 0 ? 0 : 1);
    }
}
