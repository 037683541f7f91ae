package flrt.test;

/** A tree node as a tree view reads it: count, item from 0, text. */
public class Node {
    public final String label;
    public final Node[] children;

    public Node(String label, Node... children) {
        this.label = label;
        this.children = children;
    }

    public int count() {
        return children.length;
    }

    public Object item(int index) {
        return children[index];
    }

    public String text() {
        return label;
    }
}
