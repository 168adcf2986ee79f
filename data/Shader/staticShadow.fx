# Shadow of a skinned character on static scenery: a depth pass from the
# light into the shadow map (depth in the red channel, white is far), then
# the receiver compares its own light-space depth against the map with a
# small bias and a 3 x 3 filter that softens the edge.
parameter float4x4 LightViewProjection
parameter float4x4 WorldMatrixArray[26]
parameter int CurNumBones
parameter float4 MaterialDiffuse
parameter float4 MaterialAmbient
parameter float4 MaterialSpecular
parameter float4 Specular
parameter float MaterialPower
parameter texture MeshTexture
parameter texture ShadowMap
parameter float4x4 WorldViewProjection
parameter float4x4 WorldLightViewProjection
parameter float4x4 WorldLightViewProjectionUV
parameter float4 LightVector
sampler MeshTexture linear wrap
sampler ShadowMap point clamp

technique SkinCreateShadowMap
  pass P0
    state CullMode None
    vertex
      out float v_lightDepth;
      void main() {
          ivec4 bones = ivec4(a_BlendIndices.zyxw * 255.0 + 0.5);
          float weights[4] = float[4](a_BlendWeight.x, a_BlendWeight.y, a_BlendWeight.z, a_BlendWeight.w);
          vec3 position = vec3(0.0);
          float last = 1.0;
          for (int i = 0; i < CurNumBones && i < 3; ++i) {
              position += (WorldMatrixArray[bones[i]] * vec4(a_Position.xyz, 1.0)).xyz * weights[i];
              last -= weights[i];
          }
          position += (WorldMatrixArray[bones[min(CurNumBones, 3)]] * vec4(a_Position.xyz, 1.0)).xyz * last;
          vec4 clip = LightViewProjection * vec4(position, 1.0);
          v_lightDepth = clip.z / clip.w;
          gl_Position = D3DClipToGL(clip);
      }
    end
    fragment
      in float v_lightDepth;
      void main() { FragColor = vec4(v_lightDepth, v_lightDepth, v_lightDepth, 1.0); }
    end
  end
end

technique ShadowRender
  pass P0
    vertex
      out vec2 v_uv;
      out vec3 v_normal;
      out vec4 v_lightClip;
      out vec4 v_shadowUV;
      out float v_depth;
      void main() {
          vec4 local = vec4(a_Position.xyz, 1.0);
          vec4 clip = WorldViewProjection * local;
          v_lightClip = WorldLightViewProjection * local;
          v_shadowUV = WorldLightViewProjectionUV * local;
          v_uv = a_TexCoord;
          v_normal = a_Normal;
          v_depth = clip.w;
          gl_Position = D3DClipToGL(clip);
      }
    end
    fragment
      in vec2 v_uv;
      in vec3 v_normal;
      in vec4 v_lightClip;
      in vec4 v_shadowUV;
      in float v_depth;
      void main() {
          float depth = v_lightClip.z / v_lightClip.w;
          vec2 uv = v_shadowUV.xy / v_shadowUV.w;
          vec2 texel = 1.0 / vec2(textureSize(ShadowMap, 0));
          float lit = 0.0;
          for (int y = -1; y <= 1; ++y)
              for (int x = -1; x <= 1; ++x) {
                  float stored = texture(ShadowMap, uv + vec2(x, y) * texel).r;
                  lit += depth - 0.002 <= stored ? 1.0 : 0.0;
              }
          lit /= 9.0;
          bool outside = v_lightClip.w <= 0.0 || any(lessThan(uv, vec2(0.0))) || any(greaterThan(uv, vec2(1.0)));
          float shade = outside ? 1.0 : mix(0.45, 1.0, lit);
          vec3 n = length(v_normal) > 0.0 ? normalize(v_normal) : vec3(0.0, 1.0, 0.0);
          float light = length(LightVector.xyz) > 0.0 ? max(dot(n, normalize(LightVector.xyz)), 0.0) : 1.0;
          vec4 texture = MeshTexture_Present ? texture(MeshTexture, v_uv) : vec4(1.0);
          vec3 colour = texture.rgb * (MaterialAmbient.rgb * 0.6 + MaterialDiffuse.rgb * 0.5 * light) * shade;
          FragColor = vec4(D3DApplyFog(colour, v_depth), texture.a * MaterialDiffuse.a);
      }
    end
  end
end
