package flrt.test;

import static flrt.test.Check.*;

/** Assignment paths over real Java objects: every field type, static fields, refusals. */
public final class AssignmentTest {
    public static void main(String[] args) {
        run(AssignmentTest.class);
    }

    public static void testFieldsOfEveryPrimitiveType() {
        People p = new People();
        Probe.setBool(p.carl, path(1001), true);
        Probe.setInt(p.carl, path(1002), 300);
        Probe.setInt(p.carl, path(1003), 'A');
        Probe.setInt(p.carl, path(1004), -2);
        Probe.setInt(p.carl, path(1005), 99);
        Probe.setBits(p.carl, path(1006), -(1L << 50));
        Probe.setDouble(p.carl, path(1007), 2.5);
        Probe.setDouble(p.carl, path(1008), -0.125);
        equal(true, p.carl.active);
        equal((byte) 44, p.carl.level);
        equal('A', p.carl.initial);
        equal((short) -2, p.carl.rank);
        equal(99, p.carl.age);
        equal(-(1L << 50), p.carl.big);
        equal(2.5f, p.carl.ratio);
        equal(-0.125, p.carl.height);
        Probe.setInt(p.carl, path(1001), 0);
        equal(false, p.carl.active);
        Probe.setDouble(p.carl, path(1005), 7.9);
        equal(7, p.carl.age);
    }

    public static void testObjectStringAndArrayFields() {
        People p = new People();
        Probe.setString(p.carl, path(1009), People.NON_ASCII);
        equal(People.NON_ASCII, p.carl.name);
        Probe.setObject(p.carl, path(1010), p.ann);
        that(p.carl.friend == p.ann, "Carl's friend is Ann");
        String[] names = {"x"};
        Probe.setObject(p.carl, path(1012), names);
        that(p.carl.names == names, "the array itself is stored");
        Probe.setObject(p.carl, path(1010), null);
        equal(null, p.carl.friend);
        Probe.setString(p.carl, path(1009), null);
        reported("Assertion: Incorrect string value");
        equal(People.NON_ASCII, p.carl.name);
    }

    public static void testStaticFields() {
        People p = new People();
        Probe.setInt(p.ann, path(1013), 8);
        equal(8, Person.population);
        Probe.setString(p.ann, path(1014), "new motto");
        equal("new motto", Person.motto);
        Probe.setInt(p.ann, path(1015), 70);
        equal(70, p.bob.age);
    }

    public static void testThroughFieldsAndFunctions() {
        People p = new People();
        Probe.setInt(p.ann, path(1017), 50);
        equal(50, p.ann.age);
        Probe.setInt(p.ann, path(1027), 51);
        equal(51, p.bob.age);
        Probe.setObject(p.ann, path(1083), p.carl);
        that(p.bob.friend == p.carl, "Ann's friend's friend is Carl now");
    }

    public static void testANullObjectOnTheWayAssignsNothing() {
        People p = new People();
        Probe.setInt(p.carl, path(1017), 5);
        Probe.setInt(p.carl, path(1027), 5);
        equal(12, p.carl.age);
    }

    public static void testTagsAnAssignmentRefuses() {
        People p = new People();
        Probe.setInt(p.ann, path(1082), 1);
        reported("Assertion: Obsolete usage of constant");
        Probe.setInt(p.ann, path(1030), 1);
        reported("Assertion: Incorrect usage of Literal constant");
        Probe.setInt(p.ann, path(1021), 1);
        reported("Assertion: Unknown tag value");
        Probe.setInt(p.ann, path(1040), 1);
        reported("Assertion: Incorrect usage of procedure call");
        equal(41, p.ann.age);
    }

    public static void testMissingClassesAndFieldsAreReportedAndCleared() {
        People p = new People();
        Probe.setInt(p.ann, path(1060), 1);
        reported("Assertion: class not found");
        Probe.setInt(p.ann, path(1061), 1);
        reported("Assertion: field not found");
        Probe.setInt(p.ann, path(1065), 1);
        reported("Assertion: field not found");
        Probe.setInt(p.ann, path(1069), 1);
        reported("Assertion: field not found");
        Probe.setInt(p.ann, path(1072), 1);
        reported("Assertion: field not found");
        Probe.setInt(p.ann, path(1005), 3);
        equal(3, p.ann.age);
    }
}
