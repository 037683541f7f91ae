package flrt.test;

import static flrt.test.Check.*;

import qk.fllocal.DisplayManager;

/** Local references over long runs and the current object published to Java. */
public final class ReferencesTest {
    public static void main(String[] args) {
        run(ReferencesTest.class);
    }

    // A form refreshes its controls again and again within one display call:
    // every evaluation must give back the references it made.
    public static void testManyEvaluationsInOneCall() {
        People p = new People();
        equal(2000L * 41, Probe.readOften(p.ann, path(1017), 2000));
        equal(2000L * 37, Probe.readOften(p.ann, path(1027), 2000));
        equal(2000L * 1000, Probe.readOften(p.ann, path(1016), 2000));
        equal(2000L * 4960, Probe.readOften(p.ann, path(1042), 2000));
        equal(0L, Probe.readOften(p.ann, path(1051), 100));
        reported(100, "Unhandled exception: flrt/test/Person.explodingAge");
    }

    public static void testCurrentObject() {
        People p = new People();
        Probe.setCurrent(p.ann);
        that(DisplayManager.curObject == p.ann, "Ann is the current object");
        Probe.setCurrent(null);
        equal(null, DisplayManager.curObject);
    }
}
