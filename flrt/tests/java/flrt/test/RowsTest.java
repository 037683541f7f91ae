package flrt.test;

import static flrt.test.Check.*;

import java.util.Arrays;
import java.util.List;

/** List box items, list view rows and tree nodes as the controls read them. */
public final class RowsTest {
    public static void main(String[] args) {
        run(RowsTest.class);
    }

    public static void testStringAndIntegerItems() {
        People p = new People();
        equal(List.of("one", "Void", People.NON_ASCII), Arrays.asList(Probe.items(p.ann, path(1012))));
        equal(List.of("-1", "0", "2147483647"), Arrays.asList(Probe.intItems(p.ann, path(1011))));
        equal(0, Probe.lowerBound(p.ann.names));
        equal(List.of(), Arrays.asList(Probe.items(p.carl, path(1012))));
    }

    // Every element is a local reference of its own: 10,000 of them must
    // never be alive at once.
    public static void testTenThousandRows() {
        People p = new People();
        p.ann.lines = new Person[10_000];
        p.ann.names = new String[10_000];
        for (int i = 0; i < p.ann.lines.length; ++i) {
            p.ann.lines[i] = new Person("row " + i, i);
            p.ann.names[i] = "name " + i;
        }
        String[] rows = Probe.rows(p.ann, path(1029), path(1009));
        that(rows != null, "the second load sees the same rows (compared with IsSameObject)");
        equal(10_000, rows.length);
        equal("row 9999", rows[9999]);
        String[] items = Probe.items(p.ann, path(1012));
        equal(10_000, items.length);
        equal("name 5000", items[5000]);
    }

    public static void testRowsOfAnotherArrayAreNotTheSame() {
        People p = new People();
        p.ann.lines = new Person[] {p.ann, p.bob};
        equal(List.of("Ann", "Bob"), Arrays.asList(Probe.rows(p.ann, path(1029), path(1009))));
    }

    public static void testTreeNodes() {
        People p = new People();
        p.ann.tree = new Node("root", new Node("a", new Node("a1"), new Node("a2", new Node("x"))),
                              new Node(null), new Node("b"));
        equal(List.of("a/2", "\ta1/0", "\ta2/1", "b/0"), Arrays.asList(Probe.tree(p.ann, path(1028), true)));
        p.ann.tree = new Node("empty");
        equal(List.of(), Arrays.asList(Probe.tree(p.ann, path(1028), true)));
    }

    public static void testTenThousandTreeNodes() {
        People p = new People();
        Node[] children = new Node[10_000];
        for (int i = 0; i < children.length; ++i)
            children[i] = new Node("node " + i);
        p.ann.tree = new Node("root", children);
        String[] lines = Probe.tree(p.ann, path(1028), false);
        equal(10_000, lines.length);
        equal("node 9999/0", lines[9999]);
    }

    // A tree bound to the current object must leave the caller's reference alone.
    public static void testTreeOfTheCurrentObject() {
        Node root = new Node("root", new Node("only"));
        equal(List.of("only/0"), Arrays.asList(Probe.tree(root, path(1021), false)));
    }

    public static void testANodeWithoutTheTreeRoutinesIsReported() {
        People p = new People();
        equal(List.of(), Arrays.asList(Probe.tree(p.ann, path(1010), false)));
        reported("Assertion: Function \"count\" not found in the TreeView class");
    }

    public static void testReferencesComparedAsObjects() {
        People p = new People();
        that(Probe.same(p.ann, p.ann), "one object");
        that(!Probe.same(p.ann, p.bob), "two objects");
        that(Probe.same(null, null), "two nulls");
        that(!Probe.same(p.ann, null), "an object and null");
    }
}
