// The model of one Tangram piece: up to four vertices, a translation and a
// rotation. Whoever draws the piece learns of changes through the model's
// connection point for ITangramModelEvent.
#include "model.hpp"

#include "change_connection.hpp"
#include "com_object.hpp"
#include "com_ptr.hpp"
#include "served_marshal.hpp"

#include <olectl.h>
#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <vector>

namespace tangram {
namespace {

constexpr long max_vertices = 4;

bool finite(double value)
{
    return std::isfinite(value);
}

class Model final : public Implements<ITangramModel, ITangramTransform, IConnectionPointContainer> {
public:
    // A served model marshals itself as the guarded proxy of the local server.
    explicit Model(bool served) : connection_(ComPtr<ChangeConnection>::adopt(new ChangeConnection(this)))
    {
        if (served)
            marshal_ = std::make_unique<ServedMarshal>(*static_cast<ITangramModel *>(this));
    }

    // ITangramModel
    STDMETHODIMP GetNumberOfVertices(long *count) override { return answer(count, count_); }
    // Copies as many vertices as fit; S_FALSE when the caller's room was too small.
    STDMETHODIMP GetVertices(long count, point2d *points) override
    {
        if (count < 0)
            return E_INVALIDARG;
        if (!points && count > 0)
            return E_POINTER;
        const long copied = std::min(count, count_);
        std::copy_n(vertices_.begin(), copied, points);
        return copied < count_ ? S_FALSE : S_OK;
    }
    STDMETHODIMP SetVertices(long count, point2d *points) override
    {
        if (count < 0 || count > max_vertices)
            return E_INVALIDARG;
        if (!points && count > 0)
            return E_POINTER;
        if (!std::all_of(points, points + count, [](const point2d &p) { return finite(p.x) && finite(p.y); }))
            return E_INVALIDARG;
        std::copy_n(points, count, vertices_.begin());
        count_ = count;
        connection_->notify();
        return S_OK;
    }

    // ITangramTransform: absolute values, not increments.
    STDMETHODIMP Translate(double x, double y) override
    {
        if (!finite(x) || !finite(y))
            return E_INVALIDARG;
        translation_ = {x, y};
        connection_->notify();
        return S_OK;
    }
    STDMETHODIMP GetTranslation(point2d *translation) override { return answer(translation, translation_); }
    STDMETHODIMP Rotate(double degrees) override
    {
        if (!finite(degrees))
            return E_INVALIDARG;
        degrees_ = degrees;
        connection_->notify();
        return S_OK;
    }
    STDMETHODIMP GetRotation(double *degrees) override { return answer(degrees, degrees_); }

    // IConnectionPointContainer
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints **points) override
    {
        if (points)
            *points = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint **point) override
    {
        return connection_->hand_out(riid, point);
    }

protected:
    HRESULT query_more(REFIID riid, void **object) override
    {
        if (riid != IID_IMarshal || !marshal_ || marshal_->marshaling())
            return E_NOINTERFACE;
        *object = static_cast<IMarshal *>(marshal_.get());
        return S_OK;
    }

private:
    ~Model() override { connection_->detach(); }

    ComPtr<ChangeConnection> connection_;
    std::unique_ptr<ServedMarshal> marshal_;
    std::array<point2d, max_vertices> vertices_{};
    long count_ = 0;
    point2d translation_{0, 0};
    double degrees_ = 0;
};

} // namespace

HRESULT create_model(REFIID riid, void **object)
{
    return create_and_query<Model>(riid, object, false);
}
HRESULT create_served_model(REFIID riid, void **object)
{
    return create_and_query<Model>(riid, object, true);
}

} // namespace tangram
